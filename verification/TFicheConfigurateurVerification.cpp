#include "verification/TFicheConfigurateurVerification.h"

#include "net/ConfiguratorApi.h"
#include "verification/Verification.h"

namespace varno {

TFicheConfigurateurVerification::TFicheConfigurateurVerification(QWidget* owner, const Services& services,
                                                                 VerificationHandOver values)
    : ProgressWindow(owner, services,
                     {"FicheConfigurateurVerification", values.Brand, " - Vérification", "timerVerification"},
                     [this] { timerVerificationTimer(); }),
      values_(std::move(values)), IdHTTP3(responsiveClientOptions())
{
}

void TFicheConfigurateurVerification::timerVerificationTimer()
{
    runOnce([this] { LancerVerification(); });
}

void TFicheConfigurateurVerification::LancerVerification()
{
    showStatus("Lancement de la vérification");
    ConfiguratorApi api = configuratorApi(IdHTTP3, values_);
    const ResultPair outcome = verifyRecord(api, values_.RecordId, [this](const char* step) { showStatus(step); });
    outcomeDocument(values_.RecordId, "Verification", outcome).save(values_.TemporaryFilePath);
    showStatus("Fin de la vérification");
    close();
}

} // namespace varno
