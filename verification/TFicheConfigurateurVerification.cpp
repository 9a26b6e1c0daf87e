#include "verification/TFicheConfigurateurVerification.h"

#include "verification/Verification.h"

namespace varno {

TFicheConfigurateurVerification::TFicheConfigurateurVerification(QWidget* owner, const Services& services)
    : ProgressWindow(owner, services), IdHTTP3(apiClientOptions(services.endpoints))
{
    setObjectName("FicheConfigurateurVerification");
    timerVerification.setInterval(1000);
    connect(&timerVerification, &QTimer::timeout, this, [this] { timerVerificationTimer(); });
}

void TFicheConfigurateurVerification::FormActivate()
{
    presentBrand(" - Vérification");
    arm(timerVerification);
}

void TFicheConfigurateurVerification::timerVerificationTimer()
{
    runOnce([this] { LancerVerification(); });
}

void TFicheConfigurateurVerification::LancerVerification()
{
    showStatus("Lancement de la vérification");
    ConfiguratorApi api(IdHTTP3, services_.endpoints.apiUrl, apiAccount());
    ResultPair outcome;
    if (isIndirectMode(api.getQuotationRecord(recordId_))) {
        outcome = indirectModeOutcome();
    } else {
        const std::string body = checkRequestBody(recordId_);
        showStatus("Demande de vérification au configurateur");
        const ApiResponse answer = api.post(kCheckQuotationRecordsPath, body);
        showStatus("Traitement des données du configurateur");
        outcome = readCheckAnswer(answer, recordId_);
    }
    outcomeDocument(recordId_, "Verification", outcome).save(temporaryFilePath());
    showStatus("Fin de la vérification");
    close();
}

} // namespace varno
