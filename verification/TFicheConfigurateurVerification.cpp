#include "TFicheConfigurateurVerification.h"

namespace varno {

TFicheConfigurateurVerification::TFicheConfigurateurVerification(QWidget* owner, const Services& services)
    : WorkflowWindow(owner, services, kProgressWindowSize, kProgressWindowLogos),
      lblInfos(addStatusLine()),
      IdHTTP3(apiClientOptions(services.endpoints))
{
    setObjectName("FicheConfigurateurVerification");
    timerVerification.setInterval(1000);
}

void TFicheConfigurateurVerification::FormActivate()
{
    presentBrand(" - Vérification");
}

} // namespace varno
