#include "ui/WorkflowWindow.h"

#include "ui/ErrorHandler.h"
#include "ui/FirstActivation.h"
#include "ui/KeepAlive.h"

#include "net/Requests.h"

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
    if (running_) { // reached from a transfer's nested loop: refused, never run alongside the first
        return;
    }
    running_ = true;
    runGuarded(services_.messages, body);
    running_ = false;
    if (closeRequested_) {
        closeRequested_ = false;
        close();
    }
}

ConfiguratorApi WorkflowWindow::configuratorApi(HttpClient& client, const WorkflowHandOver& values) const
{
    return {client, services_.deployment.endpoints.apiUrl, values.apiAccount()};
}

HttpClientOptions WorkflowWindow::responsiveClientOptions() const
{
    HttpClientOptions options = clientOptions(services_.deployment.endpoints);
    options.runTransfer = runKeepingWindowsAlive;
    options.abandoned = [abandon = abandon_] { return transfersAbandoned() || abandon->load(); };
    return options;
}

void WorkflowWindow::done(int result)
{
    if (running_) {
        closeRequested_ = true;
        *abandon_ = true; // the person's close: the handler's own comes after its last transfer
        return;
    }
    QDialog::done(result);
}

} // namespace varno
