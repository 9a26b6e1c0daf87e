#pragma once

#include "ui/WorkflowWindow.h"

#include <QLabel>
#include <QTimer>

#include <functional>
#include <string>

namespace varno {

// The verification and order windows: no buttons, a status line under the logo, and a workflow that
// starts once from the window's timer, armed at the first activation.
class ProgressWindow : public WorkflowWindow {
    Q_OBJECT

public:
    QLabel* const lblInfos;

signals:
    void statusShown(const QString& text);

protected:
    // What tells one progress window from the other: its name, the brand it received, the caption's
    // suffix (" - Commande") and its timer's name.
    struct Shape {
        const char* windowName;
        std::string brand;
        const char* captionSuffix;
        const char* timerName;
    };

    // `tick` handles the timer's tick, and is to call runOnce.
    ProgressWindow(QWidget* owner, const Services& services, Shape shape, const std::function<void()>& tick);

    // Stops the timer and runs the workflow as a guarded handler.
    void runOnce(const std::function<void()>& workflow);
    // Shows a step's message, then lets pending window messages through once so that it is painted
    // before the next step blocks.
    void showStatus(const QString& text);

    // The brand's caption and logo, and the timer armed for the pacing's workflow start.
    void FormActivate() override;
    void done(int result) override;

private:
    const Shape shape_;
    QTimer timer_{this};
};

} // namespace varno
