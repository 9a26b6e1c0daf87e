#include "order/Order.h"

#include "foundation/Error.h"
#include "foundation/Json.h"

#include <QTimeZone>

namespace varno {

qint64 millisecondsAsIfUtc(const QDateTime& localNow)
{
    return QDateTime(localNow.date(), localNow.time(), QTimeZone::utc()).toMSecsSinceEpoch();
}

std::string orderRequestBody(const std::string& recordId, const std::string& orderNumber,
                             const std::string& orderReference, const QDateTime& localNow)
{
    return R"({"quotationRecordIds": [)" + recordId + R"(],"documentNumber": "de(KORVALIS))" +
           jsonStringContent(orderNumber) + R"(","documentTitle": ")" + jsonStringContent(orderReference) +
           R"(","documentDate": "\/Date()" + std::to_string(millisecondsAsIfUtc(localNow)) +
           R"(+0100)\/" ,"comment": ""})";
}

ResultPair readOrderAnswer(const ApiResponse& answer)
{
    if (answer.status != 200) {
        return responseCodeOutcome(answer.status);
    }
    if (answer.body == "null") {
        return {"ERROR", "Erreur sur le passage en commande"};
    }
    const JsonValue order = JsonValue::parse(answer.body);
    const JsonValue* reference = order.expectObject("la réponse de commande").member("reference");
    if (reference == nullptr) {
        return {};
    }
    return {"REFERENCE", reference->text()};
}

void saveOrderOutcome(const std::string& recordId, const ResultPair& outcome, const std::filesystem::path& path)
{
    try {
        outcomeDocument(recordId, "Commande", outcome).save(path);
    } catch (const VarnoError& error) {
        std::string told;
        if (outcome.code == "REFERENCE") {
            told = "La commande a pourtant été créée, sous la référence « " + outcome.libelle + " ».";
        } else if (outcome.code.empty()) {
            told = "Le configurateur a accepté la demande de commande sans donner de référence.";
        } else {
            told =
                "Réponse du configurateur à la demande de commande : " + outcome.code + " « " + outcome.libelle + " ».";
        }
        throw VarnoError(std::string(error.what()) + "\n\n" + told);
    }
}

} // namespace varno
