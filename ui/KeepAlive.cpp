#include "ui/KeepAlive.h"

#include <QApplication>
#include <QEventLoop>
#include <QThread>

#include <exception>
#include <memory>

namespace varno {
namespace {

// Holds back the person's input to every window while it lives.
class InputHold final : public QObject {
public:
    InputHold() { QCoreApplication::instance()->installEventFilter(this); }
    ~InputHold() override { QCoreApplication::instance()->removeEventFilter(this); }
    InputHold(const InputHold&) = delete;
    InputHold& operator=(const InputHold&) = delete;

    bool eventFilter(QObject*, QEvent* event) override { return event->isInputEvent(); }
};

} // namespace

void runKeepingWindowsAlive(const std::function<void()>& work)
{
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (application == nullptr || QThread::currentThread() != application->thread()) {
        work();
        return;
    }
    std::exception_ptr failure;
    const std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    const InputHold hold;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    worker->start();
    loop.exec();
    worker->wait();
    QApplication::restoreOverrideCursor();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

} // namespace varno
