#include "ui/WorkflowWindow.h"

#include "ui/ErrorHandler.h"
#include "ui/FirstActivation.h"

namespace varno {

WorkflowWindow::WorkflowWindow(QWidget* owner, const Services& services, QSize clientSize, const LogoBoxes& logoBoxes)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      services_(services), logos_(this, logoBoxes)
{
    setFixedSize(clientSize);
    setWindowTitle("Configurateur Varno");
    setFont(QFont("Tahoma", 8));
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    callOnFirstActivation(this, [this] { guarded([this] { FormActivate(); }); });
}

void WorkflowWindow::presentBrand(const std::string& brand, const char* captionSuffix)
{
    varno::presentBrand(*this, logos_, brand, captionSuffix);
}

void WorkflowWindow::guarded(const std::function<void()>& body)
{
    runGuarded(services_.messages, body);
}

} // namespace varno
