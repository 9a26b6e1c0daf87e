#include "verification/Verification.h"

#include "foundation/Json.h"

namespace varno {
namespace {

// The code carried over from element to element, translated after each element.
void translate(ResultPair& outcome, const std::string& recordId)
{
    const std::string& code = outcome.code;
    if (code == "null") {
        outcome = {};
    } else if (code == "NOT_FOUND" || code == "STATE_INVALID") {
        outcome.libelle = "Identifiant invalide : " + recordId;
    } else if (code == "NO_SUPPLIER_DATA") {
        outcome.libelle = "Impossible de commander ce produit (pas de données fournisseur dans la bibliothèque)";
    } else if (code == "ORDER_PROCESS_NOT_AVAILABLE") {
        outcome.libelle = "Impossible de commander ce produit (processus d\u2019envoi de commande non configuré)";
    } else if (code == "PRICER_OUTDATED") {
        outcome.libelle = "Chiffrage effectué avec une ancienne version de la bibliothèque. Une version plus récente "
                          "est disponible, le chiffrage doit être actualisé.";
    } else if (code == "PRICER_NOT_ALLOWED") {
        outcome.libelle = "L\u2019utilisateur n\u2019a pas le droit d\u2019utiliser cette bibliothèque.";
    } else if (code == "NO_TECHNICAL_VALIDATION") {
        outcome.libelle = "Les données de commande fournisseur n\u2019ont pas été renseignées. Correspond à "
                          "technicalValidation=false dans les données retournées par le WS de récupération d\u2019un "
                          "produit chiffré. L\u2019utilisateur doit compléter son chiffrage.";
    }
}

} // namespace

bool isIndirectMode(const std::string& recordBody)
{
    const JsonValue record = JsonValue::parse(recordBody);
    const JsonValue* indirectMode = record.expectObject("le dossier de chiffrage").member("indirectMode");
    return indirectMode != nullptr && indirectMode->kind() == JsonValue::Kind::True;
}

ResultPair indirectModeOutcome()
{
    return {"KVL_INDIRECT_MODE", "Vous êtes de type profil indirect. Vous ne pouvez pas effectuer de commande."};
}

std::string checkRequestBody(const std::string& recordId)
{
    return "[" + recordId + "]";
}

ResultPair readCheckAnswer(const ApiResponse& answer, const std::string& recordId)
{
    if (answer.status != 200) {
        return responseCodeOutcome(answer.status);
    }
    const JsonValue elements = JsonValue::parse(answer.body);
    ResultPair outcome;
    for (const JsonValue& element : elements.expectArray("la réponse de vérification").elements()) {
        for (const auto& [name, value] : element.expectObject("un élément de la réponse de vérification").members()) {
            if (name == "errorCode") {
                outcome.code = value.text();
            }
        }
        translate(outcome, recordId);
    }
    return outcome;
}

ResultPair verifyRecord(ConfiguratorApi& api, const std::string& recordId,
                        const std::function<void(const char* status)>& showStep)
{
    if (isIndirectMode(api.getQuotationRecord(recordId))) {
        return indirectModeOutcome();
    }
    const std::string body = checkRequestBody(recordId);
    showStep("Demande de vérification au configurateur");
    const ApiResponse answer = api.post(kCheckQuotationRecordsPath, body);
    showStep("Traitement des données du configurateur");
    return readCheckAnswer(answer, recordId);
}

} // namespace varno
