#include "TFicheConfigurateurCommande.h"

namespace varno {

TFicheConfigurateurCommande::TFicheConfigurateurCommande(QWidget* owner, const Services& services)
    : WorkflowWindow(owner, services, kProgressWindowSize, kProgressWindowLogos),
      lblInfos(addStatusLine()),
      IdHTTP4(apiClientOptions(services.endpoints))
{
    setObjectName("FicheConfigurateurCommande");
    timerCommande.setInterval(1000);
}

void TFicheConfigurateurCommande::FormActivate()
{
    presentBrand(" - Commande");
}

} // namespace varno
