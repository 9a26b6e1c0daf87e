#pragma once

#include "net/ConfiguratorApi.h"
#include "net/Deployment.h"
#include "net/HttpClient.h"
#include "seams/Services.h"
#include "ui/BrandLogos.h"

#include <QDialog>

#include <atomic>
#include <memory>

#include <filesystem>
#include <functional>
#include <string>

namespace varno {

// The values every workflow window receives from the main window, under the host protocol's names.
// Each window's own value adds the rest.
struct WorkflowHandOver {
    std::string Brand{};
    std::filesystem::path TemporaryFilePath{};
    std::string ApiUserName{};
    std::string ApiPassword{};
    std::string IssuerKey{};

    ApiAccount apiAccount() const { return {ApiUserName, ApiPassword, IssuerKey}; }
};

// What the three workflow windows share: a fixed white dialog with the brand's logos, a
// first-activation handler, and handlers guarded by the default error handler. While a handler runs,
// its requests keep the window painting but take no input. A close asked for meanwhile (the close box,
// Alt+F4, "Annuler"; a handler's own close is its last step) abandons the handler's transfers, the
// current one within a second, and takes effect when the handler has ended: nothing more is written.
class WorkflowWindow : public QDialog {
public:
    const BrandLogos& logos() const { return logos_; }
    bool isRunning() const { return running_; }

protected:
    WorkflowWindow(QWidget* owner, const Services& services, QSize clientSize, const LogoBoxes& logoBoxes);

    // The window's activation work, run once at its first activation.
    virtual void FormActivate() = 0;

    // Caption and logo of the brand; the suffix names the workflow (" - Chiffrage", ...).
    void presentBrand(const std::string& brand, const char* captionSuffix);

    // Runs an event handler's body under the default error handler, then honours a close asked for
    // meanwhile.
    void guarded(const std::function<void()>& body);

    // Options of a client whose transfers keep this window painting.
    HttpClientOptions responsiveClientOptions() const;
    // The configurator API of the deployment, through the client, with the account handed over.
    ConfiguratorApi configuratorApi(HttpClient& client, const WorkflowHandOver& values) const;

    void done(int result) override;

    const Services& services_;

private:
    BrandLogos logos_;
    bool running_ = false;
    bool closeRequested_ = false;
    std::shared_ptr<std::atomic<bool>> abandon_ = std::make_shared<std::atomic<bool>>(false); // polled by transfers
};

} // namespace varno
