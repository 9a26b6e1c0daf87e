#include "ui/KeepAlive.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPointer>
#include <QThread>
#include <QWindow>

#include <atomic>
#include <exception>
#include <memory>
#include <set>
#include <vector>

namespace varno {
namespace {

constexpr const char* kUsableDuringTransfers = "varnoUsableDuringTransfers";

bool usableDuringTransfers(const QWidget* widget)
{
    for (; widget != nullptr; widget = widget->parentWidget()) {
        if (widget->property(kUsableDuringTransfers).toBool()) {
            return true;
        }
    }
    return false;
}

// Drops the person's input to the windows open when it began, while it lives (dropped, not queued: a
// click made during a transfer does nothing). A window opened meanwhile, such as a message box, takes
// input, so that it can be answered.
class InputDrop final : public QObject {
public:
    InputDrop()
    {
        const QWindowList windows = QGuiApplication::topLevelWindows();
        held_.insert(windows.begin(), windows.end());
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~InputDrop() override { QCoreApplication::instance()->removeEventFilter(this); }
    InputDrop(const InputDrop&) = delete;
    InputDrop& operator=(const InputDrop&) = delete;

    bool eventFilter(QObject* receiver, QEvent* event) override
    {
        if (!event->isInputEvent()) {
            return false;
        }
        const QWindow* window = qobject_cast<QWindow*>(receiver);
        if (const auto* widget = qobject_cast<QWidget*>(receiver)) {
            if (usableDuringTransfers(widget)) {
                return false;
            }
            window = widget->window()->windowHandle();
        } else if (const auto* pointer = dynamic_cast<const QSinglePointEvent*>(event);
                   pointer != nullptr &&
                   usableDuringTransfers(QApplication::widgetAt(pointer->globalPosition().toPoint()))) {
            return false; // on its way from the window to the widget that stays usable
        }
        return window == nullptr || held_.contains(window);
    }

private:
    std::set<const QWindow*> held_;
};

// Disables the buttons of the visible windows while it lives, then enables them again with the focus
// where it was: a way in that is no input event (an accessibility "press", a shortcut) finds them off.
class ButtonsOff {
public:
    ButtonsOff() : focus_(QApplication::focusWidget())
    {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (!window->isVisible()) {
                continue;
            }
            for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
                if (button->isEnabled() && !usableDuringTransfers(button)) {
                    button->setEnabled(false);
                    disabled_.emplace_back(button);
                }
            }
        }
    }
    ~ButtonsOff()
    {
        for (const QPointer<QAbstractButton>& button : disabled_) {
            if (!button.isNull()) {
                button->setEnabled(true);
            }
        }
        if (!focus_.isNull()) {
            focus_->setFocus();
        }
    }
    ButtonsOff(const ButtonsOff&) = delete;
    ButtonsOff& operator=(const ButtonsOff&) = delete;

private:
    QPointer<QWidget> focus_;
    std::vector<QPointer<QAbstractButton>> disabled_;
};

std::atomic<bool> abandoned{false};

} // namespace

void keepUsableDuringTransfers(QWidget& widget)
{
    widget.setProperty(kUsableDuringTransfers, true);
}

bool transfersAbandoned()
{
    return abandoned.load();
}

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
    const InputDrop drop;
    const ButtonsOff buttonsOff;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    worker->start();
    if (worker->isRunning() || worker->isFinished()) {
        loop.exec();
        // The loop ends early only when the application is asked to quit (session end, a close of the
        // hidden main window): the transfer is abandoned rather than waited for.
        if (!worker->isFinished()) {
            abandoned = true;
        }
        worker->wait();
    } else { // no thread could be made: the window waits, but the transfer still happens
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    }
    QApplication::restoreOverrideCursor();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

} // namespace varno
