#include "Order.h"

#include "Json.h"

#include <QTimeZone>

namespace varno {

qint64 millisecondsAsIfUtc(const QDateTime& localNow)
{
    return QDateTime(localNow.date(), localNow.time(), QTimeZone::utc()).toMSecsSinceEpoch();
}

std::string orderRequestBody(const std::string& recordId, const std::string& orderNumber,
                             const std::string& orderReference, const QDateTime& localNow)
{
    return "{\"quotationRecordIds\": [" + recordId + "],\"documentNumber\": \"de(KORVALIS)" +
           jsonStringContent(orderNumber) + "\",\"documentTitle\": \"" + jsonStringContent(orderReference) +
           "\",\"documentDate\": \"\\/Date(" + std::to_string(millisecondsAsIfUtc(localNow)) +
           "+0100)\\/\" ,\"comment\": \"\"}";
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

} // namespace varno
