#pragma once

#include "ui/WorkflowWindow.h"

#include <QLabel>
#include <QTimer>

namespace varno {

// The verification and order windows: no buttons, a status line under the logo, and a workflow that
// starts once from a timer armed at the first activation. A close asked for while the workflow runs
// (the status line lets pending messages through) waits until it has finished.
class ProgressWindow : public WorkflowWindow {
    Q_OBJECT

public:
    QLabel* const lblInfos;

    bool isRunning() const { return running_; }

signals:
    void statusShown(const QString& text);

protected:
    ProgressWindow(QWidget* owner, const Services& services);

    // Starts the window's timer for the pacing's workflow start; its tick is to call runOnce.
    void arm(QTimer& timer);
    // Stops the timer, runs the workflow under the default error handler, then honours a close asked
    // for meanwhile (the workflow's own closing included).
    void runOnce(const std::function<void()>& workflow);
    // Shows a step's message, then lets pending window messages through once so that it is painted
    // before the next step blocks.
    void showStatus(const QString& text);

    void done(int result) override;

private:
    QTimer* timer_ = nullptr;
    bool running_ = false;
    bool closeRequested_ = false;
};

} // namespace varno
