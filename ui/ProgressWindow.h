#pragma once

#include "ui/WorkflowWindow.h"

#include <QLabel>
#include <QTimer>

namespace varno {

// The verification and order windows: no buttons, a status line under the logo, and a workflow that
// starts once from a timer armed at the first activation.
class ProgressWindow : public WorkflowWindow {
    Q_OBJECT

public:
    QLabel* const lblInfos;

signals:
    void statusShown(const QString& text);

protected:
    ProgressWindow(QWidget* owner, const Services& services);

    // Starts the window's timer for the pacing's workflow start; its tick is to call runOnce.
    void arm(QTimer& timer);
    // Stops the timer and runs the workflow as a guarded handler.
    void runOnce(const std::function<void()>& workflow);
    // Shows a step's message, then lets pending window messages through once so that it is painted
    // before the next step blocks.
    void showStatus(const QString& text);

    void done(int result) override;

private:
    QTimer* timer_ = nullptr;
};

} // namespace varno
