#pragma once

#include <QLoggingCategory>
#include <QString>

#include <string>

namespace varno {

// The diagnostic log for the support desk. Off unless VARNO_LOG names a file: each run then appends to
// it, in UTF-8, one line per event (local time to the millisecond, process id, category, text).
// QT_LOGGING_RULES narrows it ("varno.http.info=false"). Nothing secret is written: the events carry
// no password, token, cookie or key, and whatever the program has learnt to be secret (keepOutOfLog) is
// masked in every spelling before a line is written.
Q_DECLARE_LOGGING_CATEGORY(logRun)      // varno.run: start, configuration read, end
Q_DECLARE_LOGGING_CATEGORY(logHttp)     // varno.http: each request
Q_DECLARE_LOGGING_CATEGORY(logMessages) // varno.message: each message shown
Q_DECLARE_LOGGING_CATEGORY(logFiles)    // varno.file: each file written, or not

// Switches the log on to `file` (VARNO_LOG's when empty); without one, the varno categories stay
// silent. A file that cannot be opened leaves the log off: the run goes on. Returns whether it is on.
bool startDiagnosticLog(const QString& file = {});
// Closes the file and silences the program's categories again.
void stopDiagnosticLog();

// A secret that must never reach the log: masked in any spelling (SecretMask).
void keepOutOfLog(const std::string& secret);
// The same for a Basic pair, also masked as the Base64 of "user:password" that its header carries.
void keepOutOfLog(const std::string& user, const std::string& password);

} // namespace varno
