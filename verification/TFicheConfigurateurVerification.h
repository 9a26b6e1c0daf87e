#pragma once

#include "net/HttpClient.h"
#include "ui/ProgressWindow.h"

namespace varno {

// The verification window: asks the configurator API whether a quotation record can be ordered and
// answers the host through the result document. It has no buttons; it only shows progress.
class TFicheConfigurateurVerification final : public ProgressWindow {
    Q_OBJECT

public:
    TFicheConfigurateurVerification(QWidget* owner, const Services& services);

    void setRecordId(std::string value) { recordId_ = std::move(value); }
    const std::string& recordId() const { return recordId_; }

protected:
    void FormActivate() override;

private:
    void timerVerificationTimer();
    void LancerVerification();

    HttpClient IdHTTP3;
    QTimer timerVerification;
    std::string recordId_;
};

} // namespace varno
