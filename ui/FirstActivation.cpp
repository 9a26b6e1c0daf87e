#include "ui/FirstActivation.h"

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace varno {
namespace {

class FirstShowFilter final : public QObject {
public:
    FirstShowFilter(QWidget* window, std::function<void()> action) : QObject(window), action_(std::move(action))
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched == parent()) {
            watched->removeEventFilter(this);
            // Queued, so that the window is on screen before the action runs.
            QTimer::singleShot(0, this, [this] {
                const auto action = std::move(action_);
                deleteLater();
                action();
            });
        }
        return false;
    }

private:
    std::function<void()> action_;
};

} // namespace

void callOnFirstActivation(QWidget* window, std::function<void()> action)
{
    new FirstShowFilter(window, std::move(action));
}

} // namespace varno
