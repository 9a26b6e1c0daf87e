#pragma once

#include "net/HttpClient.h"
#include "ui/ProgressWindow.h"

namespace varno {

// What the verification window receives.
struct VerificationHandOver : WorkflowHandOver {
    std::string RecordId{};
};

// The verification window: asks the configurator API whether a quotation record can be ordered and
// answers the host through the result document. It has no buttons; it only shows progress.
class TFicheConfigurateurVerification final : public ProgressWindow {
    Q_OBJECT

public:
    TFicheConfigurateurVerification(QWidget* owner, const Services& services, VerificationHandOver values);

private:
    void timerVerificationTimer();
    void LancerVerification();

    const VerificationHandOver values_;
    HttpClient IdHTTP3;
};

} // namespace varno
