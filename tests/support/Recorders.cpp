#include "tests/support/Recorders.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace varno::test {

std::vector<std::string> RecordingMessages::texts() const
{
    std::vector<std::string> result;
    for (const Entry& entry : entries_) {
        result.push_back(entry.text);
    }
    return result;
}

void RecordingMessages::record(bool isError, const std::string& text)
{
    entries_.push_back({isError, text});
    if (openFor.count() > 0) {
        QEventLoop loop;
        QTimer::singleShot(openFor, &loop, &QEventLoop::quit);
        if (whileOpen) {
            QTimer::singleShot(0, &loop, whileOpen);
        }
        loop.exec();
    }
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds atMost)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!condition()) {
        if (elapsed.elapsed() > atMost.count()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

std::string readFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

#ifndef _WIN32
FileSizeLimit::FileSizeLimit(std::uint64_t bytes) : previousHandler_(std::signal(SIGXFSZ, SIG_IGN))
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    previous_ = limit.rlim_cur;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = previous_;
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previousHandler_);
}
#endif

} // namespace varno::test
