#include "order/TFicheConfigurateurCommande.h"

#include "order/Order.h"

namespace varno {

TFicheConfigurateurCommande::TFicheConfigurateurCommande(QWidget* owner, const Services& services)
    : ProgressWindow(owner, services), IdHTTP4(apiClientOptions(services.endpoints))
{
    setObjectName("FicheConfigurateurCommande");
    timerCommande.setInterval(1000);
    connect(&timerCommande, &QTimer::timeout, this, [this] { timerCommandeTimer(); });
}

void TFicheConfigurateurCommande::FormActivate()
{
    presentBrand(" - Commande");
    arm(timerCommande);
}

void TFicheConfigurateurCommande::timerCommandeTimer()
{
    runOnce([this] { EnvoyerCommande(); });
}

void TFicheConfigurateurCommande::EnvoyerCommande()
{
    showStatus("Lancement de l'envoi en commande");
    ConfiguratorApi api(IdHTTP4, services_.endpoints.apiUrl, apiAccount());
    const std::string body = orderRequestBody(recordId_, orderNumber_, orderReference_, services_.clock.now());
    showStatus("Transfert de la demande de commande au configurateur");
    const ApiResponse answer = api.post(kCreateOrderPath, body);
    showStatus("Traitement des données du configurateur");
    const ResultPair outcome = readOrderAnswer(answer);
    saveOrderOutcome(recordId_, outcome, temporaryFilePath());
    showStatus("Fin de l'envoi en commande");
    close();
}

} // namespace varno
