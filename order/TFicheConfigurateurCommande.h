#pragma once

#include "net/HttpClient.h"
#include "ui/ProgressWindow.h"

namespace varno {

// The order window: asks the configurator API to create an order for the host's quotation records
// and answers the host through the result document. It has no buttons; it only shows progress.
class TFicheConfigurateurCommande final : public ProgressWindow {
    Q_OBJECT

public:
    TFicheConfigurateurCommande(QWidget* owner, const Services& services);

    void setRecordId(std::string value) { recordId_ = std::move(value); }
    void setOrderNumber(std::string value) { orderNumber_ = std::move(value); }
    void setOrderReference(std::string value) { orderReference_ = std::move(value); }

    const std::string& recordId() const { return recordId_; }
    const std::string& orderNumber() const { return orderNumber_; }
    const std::string& orderReference() const { return orderReference_; }

protected:
    void FormActivate() override;

private:
    void timerCommandeTimer();
    void EnvoyerCommande();

    HttpClient IdHTTP4;
    QTimer timerCommande;
    std::string recordId_;
    std::string orderNumber_;
    std::string orderReference_;
};

} // namespace varno
