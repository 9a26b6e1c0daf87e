#include "foundation/DiagnosticLog.h"

#include "foundation/FilePath.h"
#include "foundation/SecretMask.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <array>
#include <filesystem>
#include <mutex>
#include <string_view>

Q_LOGGING_CATEGORY(varno::logRun, "varno.run", QtInfoMsg)
Q_LOGGING_CATEGORY(varno::logHttp, "varno.http", QtInfoMsg)
Q_LOGGING_CATEGORY(varno::logMessages, "varno.message", QtInfoMsg)
Q_LOGGING_CATEGORY(varno::logFiles, "varno.file", QtInfoMsg)

namespace varno {
namespace {

struct Sink {
    std::mutex mutex;
    QFile file;
    QString path;
    bool silenced = false;
};

// Room past the limit for the runs that say they could not set a full file aside.
constexpr qint64 kFullNoticesRoom = qint64{16} << 10;

bool openForAppending(QFile& file, const QString& path);

QByteArray formattedLine(QtMsgType type, const char* category, const QString& text)
{
    static constexpr std::array<const char*, 5> kinds{"debug", "warning", "critical", "fatal", "info"};
    const char* const kind = static_cast<std::size_t>(type) < kinds.size() ? kinds.at(type) : "info";
    QString oneLine = text;
    oneLine.replace("\r\n", "\\n").replace('\n', "\\n").replace('\r', "\\n");
    return QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss.zzz").toUtf8() + " [" +
           QByteArray::number(QCoreApplication::applicationPid()) + "] " + category + " " + kind + ": " +
           oneLine.toUtf8() + "\n";
}

// When the file has reached the limit: set aside, and the file now at its name opened in its place. One
// that cannot be set aside (a folder the run cannot write to, a lock it cannot take, on Windows a file
// another run holds open) gets one line that says so, then nothing more from this run: it never grows
// past the limit by more than those lines.
void keepWithinLimit(Sink& log)
{
    if (log.file.size() < kDiagnosticLogLimit) {
        return;
    }
    log.file.close(); // Windows renames no file that is open
    if (setLogAsideIfFull(log.path) || QFileInfo(log.path).size() < kDiagnosticLogLimit) {
        openForAppending(log.file, log.path);
    } else if (openForAppending(log.file, log.path)) {
        if (log.file.size() < kDiagnosticLogLimit + kFullNoticesRoom) {
            log.file.write(formattedLine(QtWarningMsg, "varno.run",
                                         "journal plein : il ne peut pas être mis de côté, la suite de cette "
                                         "exécution n'y est pas écrite"));
        }
        log.file.close();
    }
}

Sink& sink()
{
    static auto* const instance = new Sink; // used until the process ends, by any thread
    return *instance;
}

void writeLine(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    const QByteArray line = formattedLine(type, context.category != nullptr ? context.category : "default", text);
    Sink& log = sink();
    const std::lock_guard lock(log.mutex);
    if (!log.file.isOpen()) { // full, or its name could not be opened again after it was set aside
        return;
    }
    log.file.write(QByteArray::fromStdString(withoutSecrets(line.toStdString()))); // a failure is not the run's concern
    log.file.flush();
    keepWithinLimit(log);
}

// Without a log file, the program's categories say nothing, wherever Qt would send them.
QLoggingCategory::CategoryFilter earlierFilter = nullptr;

void silenceProgramCategories(QLoggingCategory* category)
{
    if (earlierFilter != nullptr) {
        earlierFilter(category);
    }
    if (std::string_view(category->categoryName()).starts_with("varno.")) {
        for (const QtMsgType type : {QtDebugMsg, QtInfoMsg, QtWarningMsg, QtCriticalMsg}) {
            category->setEnabled(type, false);
        }
    }
}

// Opens the log for appending, without waiting: a FIFO (or anything but a file or a character device
// such as /dev/null) is refused, never waited on for a reader before any window shows.
bool openForAppending(QFile& file, const QString& path)
{
    if (path.isEmpty() || !QFileInfo(path).dir().mkpath(".")) {
        return false;
    }
#ifdef _WIN32
    return QFileInfo(path).isFile() || !QFileInfo::exists(path) ? file.open(QIODevice::WriteOnly | QIODevice::Append)
                                                                : false;
#else
    const int descriptor = ::open(QFile::encodeName(path).constData(),
                                  O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        return false;
    }
    struct stat status {};
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (::fstat(descriptor, &status) != 0 || !(S_ISREG(status.st_mode) || S_ISCHR(status.st_mode)) || flags < 0 ||
        ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0 ||
        !file.open(descriptor, QIODevice::WriteOnly | QIODevice::Append, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return false;
    }
    return true;
#endif
}

// Opens the file (none: closes it), and lets the program's categories be heard only while one is open.
bool switchTo(const QString& path)
{
    Sink& log = sink();
    const std::lock_guard lock(log.mutex);
    log.file.close();
    log.file.setFileName(path);
    log.path = path;
    bool on = openForAppending(log.file, path);
    if (on) {
        keepWithinLimit(log);
        on = log.file.isOpen();
    }
    if (on && log.silenced) {
        QLoggingCategory::installFilter(earlierFilter);
    } else if (!on && !log.silenced) {
        earlierFilter = QLoggingCategory::installFilter(silenceProgramCategories);
    }
    log.silenced = !on;
    return on;
}

QtMessageHandler earlierHandler = nullptr;

} // namespace

bool setLogAsideIfFull(const QString& path, qint64 limit)
{
    QLockFile lock(path + ".lock");
    if (!lock.tryLock(1000) || QFileInfo(path).size() < limit) {
        return false;
    }
    // Renamed away first, so that a file that cannot be renamed costs nothing, the previous one included.
    const std::filesystem::path file = pathFromQString(path);
    const std::filesystem::path moving = pathFromQString(path + ".1.new");
    const std::filesystem::path previous = pathFromQString(path + ".1");
    std::error_code failed;
    std::filesystem::remove(moving, failed); // left by a run that ended midway
    std::filesystem::rename(file, moving, failed);
    if (failed) {
        return false;
    }
    std::filesystem::remove(previous, failed);
    std::filesystem::rename(moving, previous, failed);
    return !failed;
}

bool startDiagnosticLog(const QString& file)
{
    if (!switchTo(file.isEmpty() ? qEnvironmentVariable("VARNO_LOG") : file)) {
        return false;
    }
    const QtMessageHandler replaced = qInstallMessageHandler(writeLine);
    if (replaced != writeLine) {
        earlierHandler = replaced;
    }
    return true;
}

void stopDiagnosticLog()
{
    switchTo({});
    qInstallMessageHandler(earlierHandler);
}

} // namespace varno
