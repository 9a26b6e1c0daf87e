#pragma once

#include "net/HttpClient.h"
#include "pricing/Gateway.h"
#include "ui/WorkflowWindow.h"

#include <QLabel>
#include <QPushButton>

namespace varno {

// What the pricing window receives.
struct PricingHandOver : WorkflowHandOver {
    std::string UserLogin{};
    std::string UserPassword{};
    std::string QuoteId{};
};

// The pricing ("chiffrage") window: logs in at the gateway, opens the configurator in the browser,
// then waits for "Récupérer le devis" or "Annuler".
class TFicheConfigurateurRecupDevis final : public WorkflowWindow {
    Q_OBJECT

public:
    TFicheConfigurateurRecupDevis(QWidget* owner, const Services& services, PricingHandOver values);

    // The gateway login: 1 when the token and both addresses came back, 0 otherwise.
    int GetJetonEtUrls();
    // The login failure message.
    std::string GetJetonEtUrlsErreurs() const;

    QLabel* const lblChiffrage;
    QLabel* const lblOu;
    QPushButton* const btnDevisRecuperer;
    QPushButton* const btnAnnulerRecuperation;
    QLabel* const lblVersion;

protected:
    void FormActivate() override;

private:
    void btnDevisRecupererClick();
    void btnAnnulerRecuperationClick();

    const PricingHandOver values_;
    HttpClient IdHTTP1;                  // gateway
    HttpClient IdHTTP2;                  // retrieval document
    HttpClient IdHTTP3;                  // configurator API
    GatewayLogin login_;                 // GatewayToken, ConnectionUrl, RetrievalUrl
    std::vector<std::string> ErrorLines; // never cleared
};

} // namespace varno
