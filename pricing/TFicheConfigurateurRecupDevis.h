#pragma once

#include "net/HttpClient.h"
#include "pricing/Gateway.h"
#include "ui/WorkflowWindow.h"

#include <QLabel>
#include <QPushButton>

namespace varno {

// The pricing ("chiffrage") window: logs in at the gateway, opens the configurator in the browser,
// then waits for "Récupérer le devis" or "Annuler".
class TFicheConfigurateurRecupDevis final : public WorkflowWindow {
    Q_OBJECT

public:
    TFicheConfigurateurRecupDevis(QWidget* owner, const Services& services);

    void setUserLogin(std::string value) { userLogin_ = std::move(value); }
    void setUserPassword(std::string value) { userPassword_ = std::move(value); }
    void setQuoteId(std::string value) { quoteId_ = std::move(value); }

    const std::string& userLogin() const { return userLogin_; }
    const std::string& userPassword() const { return userPassword_; }
    const std::string& quoteId() const { return quoteId_; }

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

    HttpClient IdHTTP1; // gateway
    HttpClient IdHTTP2; // retrieval document
    HttpClient IdHTTP3; // configurator API
    std::string userLogin_;
    std::string userPassword_;
    std::string quoteId_;
    GatewayLogin login_;                 // GatewayToken, ConnectionUrl, RetrievalUrl
    std::vector<std::string> ErrorLines; // never cleared
};

} // namespace varno
