#pragma once

#include <QLoggingCategory>
#include <QString>

#include <string>

namespace varno {

// The diagnostic log for the support desk. Off unless VARNO_LOG names a file: each run then appends to
// it, in UTF-8, one line per event (local time to the millisecond, process id, category, text). It
// cannot fill the disk: past kDiagnosticLogLimit it is set aside (see setLogAsideIfFull), and a file
// that cannot be set aside gets one line that says so, then nothing more from that run.
// QT_LOGGING_RULES narrows it ("varno.http.info=false"). Nothing secret is written: the events carry
// no password, token, cookie or key, and whatever the program has learnt to be secret is
// masked in every spelling (keepSecret) before a line is written.
Q_DECLARE_LOGGING_CATEGORY(logRun)      // varno.run: start, configuration read, end
Q_DECLARE_LOGGING_CATEGORY(logHttp)     // varno.http: each request
Q_DECLARE_LOGGING_CATEGORY(logMessages) // varno.message: each message shown
Q_DECLARE_LOGGING_CATEGORY(logFiles)    // varno.file: each file written, or not

// Past this size, at a run's start or as a line crosses it, the log file is renamed "<file>.1" (the one
// previous file kept, an older one dropped) and a new file begun; where it cannot be renamed, the run
// stops writing to it.
inline constexpr qint64 kDiagnosticLogLimit = qint64{5} << 20; // 5 MiB

// Sets the log file at `path` aside as "<path>.1" when it holds `limit` bytes or more; whether it did.
// Safe when two runs append at once: under a lock beside the file, its size is read again by name, so a
// run whose file another run has set aside already sets nothing aside. A file that cannot be renamed
// (on Windows, another run holds it open) stays as it is: nothing is lost.
bool setLogAsideIfFull(const QString& path, qint64 limit = kDiagnosticLogLimit);

// Switches the log on to `file` (VARNO_LOG's when empty); without one, the varno categories stay
// silent. A file that cannot be opened leaves the log off: the run goes on. Returns whether it is on.
bool startDiagnosticLog(const QString& file = {});
// Closes the file and silences the program's categories again.
void stopDiagnosticLog();

} // namespace varno
