#include "ui/ProgressWindow.h"

#include <QCoreApplication>

namespace varno {

ProgressWindow::ProgressWindow(QWidget* owner, const Services& services)
    : WorkflowWindow(owner, services, QSize(353, 182),
                     {QRect(16, 8, 320, 128), QRect(16, 9, 320, 128), QRect(16, 8, 320, 120)}),
      lblInfos(new QLabel(this))
{
    lblInfos->setObjectName("lblInfos");
    lblInfos->setGeometry(16, 152, 320, 13);
}

void ProgressWindow::arm(QTimer& timer)
{
    timer_ = &timer;
    timer.setTimerType(Qt::PreciseTimer); // a coarse timer may fire 5 % early or late
    timer.start(services_.pacing.workflowStart);
}

void ProgressWindow::runOnce(const std::function<void()>& workflow)
{
    timer_->stop();
    guarded(workflow);
}

void ProgressWindow::showStatus(const QString& text)
{
    lblInfos->setText(text);
    emit statusShown(text);
    QCoreApplication::processEvents();
}

void ProgressWindow::done(int result)
{
    if (!isRunning() && timer_ != nullptr) {
        timer_->stop(); // closed before the tick: the workflow never starts
    }
    WorkflowWindow::done(result);
}

} // namespace varno
