#pragma once

#include "net/ConfiguratorApi.h"
#include "seams/Services.h"
#include "ui/BrandLogos.h"

#include <QDialog>

#include <filesystem>
#include <functional>
#include <string>

namespace varno {

// What the three workflow windows share: a fixed white dialog with the brand's logos, the hand-over
// values every workflow receives, a first-activation handler, and handlers guarded by the default
// error handler.
class WorkflowWindow : public QDialog {
public:
    void setBrand(std::string value) { brand_ = std::move(value); }
    void setTemporaryFilePath(std::filesystem::path value) { temporaryFilePath_ = std::move(value); }
    void setApiUserName(std::string value) { apiAccount_.userName = std::move(value); }
    void setApiPassword(std::string value) { apiAccount_.password = std::move(value); }
    void setIssuerKey(std::string value) { apiAccount_.issuerKey = std::move(value); }

    const std::string& brand() const { return brand_; }
    const std::filesystem::path& temporaryFilePath() const { return temporaryFilePath_; }
    const ApiAccount& apiAccount() const { return apiAccount_; }

    const BrandLogos& logos() const { return logos_; }

protected:
    WorkflowWindow(QWidget* owner, const Services& services, QSize clientSize, const LogoBoxes& logoBoxes);

    // The window's activation work, run once at its first activation.
    virtual void FormActivate() = 0;

    // Caption and logo of the brand; the suffix names the workflow (" - Chiffrage", ...).
    void presentBrand(const char* captionSuffix);

    // Runs an event handler's body under the default error handler.
    void guarded(const std::function<void()>& body);

    const Services& services_;

private:
    BrandLogos logos_;
    std::string brand_;
    std::filesystem::path temporaryFilePath_;
    ApiAccount apiAccount_;
};

} // namespace varno
