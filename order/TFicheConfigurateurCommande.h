#pragma once

#include "net/HttpClient.h"
#include "ui/ProgressWindow.h"

namespace varno {

// What the order window receives.
struct OrderHandOver : WorkflowHandOver {
    std::string RecordId{};
    std::string OrderNumber{};
    std::string OrderReference{};
};

// The order window: asks the configurator API to create an order for the host's quotation records
// and answers the host through the result document. It has no buttons; it only shows progress.
class TFicheConfigurateurCommande final : public ProgressWindow {
    Q_OBJECT

public:
    TFicheConfigurateurCommande(QWidget* owner, const Services& services, OrderHandOver values);

private:
    void timerCommandeTimer();
    void EnvoyerCommande();

    const OrderHandOver values_;
    HttpClient IdHTTP4;
};

} // namespace varno
