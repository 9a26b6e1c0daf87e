#include "verification/TFicheConfigurateurVerification.h"

#include "verification/Verification.h"

namespace varno {

TFicheConfigurateurVerification::TFicheConfigurateurVerification(QWidget* owner, const Services& services,
                                                                 VerificationHandOver values)
    : ProgressWindow(owner, services), values_(std::move(values)), IdHTTP3(responsiveClientOptions())
{
    setObjectName("FicheConfigurateurVerification");
    timerVerification.setObjectName("timerVerification");
    connect(&timerVerification, &QTimer::timeout, this, [this] { timerVerificationTimer(); });
}

void TFicheConfigurateurVerification::FormActivate()
{
    presentBrand(values_.Brand, " - Vérification");
    arm(timerVerification);
}

void TFicheConfigurateurVerification::timerVerificationTimer()
{
    runOnce([this] { LancerVerification(); });
}

void TFicheConfigurateurVerification::LancerVerification()
{
    showStatus("Lancement de la vérification");
    ConfiguratorApi api(IdHTTP3, services_.deployment.endpoints.apiUrl, values_.apiAccount());
    const ResultPair outcome = verifyRecord(api, values_.RecordId, [this](const char* step) { showStatus(step); });
    outcomeDocument(values_.RecordId, "Verification", outcome).save(values_.TemporaryFilePath);
    showStatus("Fin de la vérification");
    close();
}

} // namespace varno
