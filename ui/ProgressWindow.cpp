#include "ui/ProgressWindow.h"

#include <QCoreApplication>

namespace varno {

ProgressWindow::ProgressWindow(QWidget* owner, const Services& services, Shape shape, const std::function<void()>& tick)
    : WorkflowWindow(owner, services, QSize(353, 182),
                     {QRect(16, 8, 320, 128), QRect(16, 9, 320, 128), QRect(16, 8, 320, 120)}),
      lblInfos(new QLabel(this)), shape_(std::move(shape))
{
    setObjectName(shape_.windowName);
    lblInfos->setObjectName("lblInfos");
    lblInfos->setGeometry(16, 152, 320, 13);
    timer_.setObjectName(shape_.timerName);
    timer_.setTimerType(Qt::PreciseTimer); // a coarse timer may fire 5 % early or late
    connect(&timer_, &QTimer::timeout, this, tick);
}

void ProgressWindow::FormActivate()
{
    presentBrand(shape_.brand, shape_.captionSuffix);
    timer_.start(services_.pacing.workflowStart);
}

void ProgressWindow::runOnce(const std::function<void()>& workflow)
{
    timer_.stop();
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
    if (!isRunning()) {
        timer_.stop(); // closed before the tick: the workflow never starts
    }
    WorkflowWindow::done(result);
}

} // namespace varno
