#include "foundation/DiagnosticLog.h"

#include "foundation/SecretMask.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <array>
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
    SecretMask secrets;
    bool silenced = false;
};

Sink& sink()
{
    static auto* const instance = new Sink; // used until the process ends, by any thread
    return *instance;
}

void writeLine(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    static constexpr std::array<const char*, 5> kinds{"debug", "warning", "critical", "fatal", "info"};
    const char* const kind = static_cast<std::size_t>(type) < kinds.size() ? kinds.at(type) : "info";
    QString oneLine = text;
    oneLine.replace("\r\n", "\\n").replace('\n', "\\n").replace('\r', "\\n");
    const QByteArray line = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss.zzz").toUtf8() + " [" +
                            QByteArray::number(QCoreApplication::applicationPid()) + "] " +
                            (context.category != nullptr ? context.category : "default") + " " + kind + ": " +
                            oneLine.toUtf8() + "\n";
    Sink& log = sink();
    const std::lock_guard lock(log.mutex);
    log.file.write(
        QByteArray::fromStdString(log.secrets.masked(line.toStdString()))); // a failed write is not the run's concern
    log.file.flush();
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
    const bool on = openForAppending(log.file, path);
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

void keepOutOfLog(const std::string& secret)
{
    Sink& log = sink();
    const std::lock_guard lock(log.mutex);
    log.secrets.add(secret);
}

void keepOutOfLog(const std::string& user, const std::string& password)
{
    Sink& log = sink();
    const std::lock_guard lock(log.mutex);
    log.secrets.add(user, password);
}

} // namespace varno
