#include "order/TFicheConfigurateurCommande.h"

#include "net/ConfiguratorApi.h"
#include "order/Order.h"

namespace varno {

TFicheConfigurateurCommande::TFicheConfigurateurCommande(QWidget* owner, const Services& services, OrderHandOver values)
    : ProgressWindow(owner, services, {"FicheConfigurateurCommande", values.Brand, " - Commande", "timerCommande"},
                     [this] { timerCommandeTimer(); }),
      values_(std::move(values)), IdHTTP4(responsiveClientOptions())
{
}

void TFicheConfigurateurCommande::timerCommandeTimer()
{
    runOnce([this] { EnvoyerCommande(); });
}

void TFicheConfigurateurCommande::EnvoyerCommande()
{
    showStatus("Lancement de l'envoi en commande");
    const std::string body =
        orderRequestBody(values_.RecordId, values_.OrderNumber, values_.OrderReference, services_.clock.now());
    showStatus("Transfert de la demande de commande au configurateur");
    const ApiResponse answer = [&] {
        try {
            ConfiguratorApi api = configuratorApi(IdHTTP4, values_);
            return api.post(kCreateOrderPath, body);
        } catch (const TransferAbandoned&) { // the request may have reached the configurator
            services_.messages.showMessage(kOrderAbandonedMessage);
            throw;
        }
    }();
    showStatus("Traitement des données du configurateur");
    const ResultPair outcome = readOrderAnswer(answer);
    saveOrderOutcome(values_.RecordId, outcome, values_.TemporaryFilePath);
    showStatus("Fin de l'envoi en commande");
    close();
}

} // namespace varno
