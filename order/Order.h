#pragma once

#include "foundation/ResultDocument.h"
#include "net/ConfiguratorApi.h"

#include <QDateTime>

#include <filesystem>
#include <string>

namespace varno {

// The local date and time as they read on the clock, counted in milliseconds from 1970 as if they
// were UTC (the configurator reads them with the fixed suffix "+0100").
qint64 millisecondsAsIfUtc(const QDateTime& localNow);

// The order request body, one line. The record identifiers go between the brackets as the host wrote
// them (JSON list content); the order number and reference are escaped as JSON string content.
std::string orderRequestBody(const std::string& recordId, const std::string& orderNumber,
                             const std::string& orderReference, const QDateTime& localNow);

// The outcome of the order answer. 200: the whole body "null" is a refusal (ERROR); an object with
// "reference" gives REFERENCE and its value text; an object without it gives an empty pair; anything
// else throws VarnoError. Any other status: RESPONSE_CODE.
ResultPair readOrderAnswer(const ApiResponse& answer);

// Told when the order request was abandoned (the window closed while it ran): it may have reached the
// configurator, which may have recorded the order.
inline constexpr const char* kOrderAbandonedMessage =
    "La demande de commande a été interrompue : la commande a peut-être été enregistrée par le configurateur. "
    "Vérifiez l'état du devis avant de commander à nouveau.";

// Writes the order's result document. The order exists on the server by then, so when the document
// cannot be written the error also tells the outcome (the reference, or the answer), for the person to
// pass it on by hand.
void saveOrderOutcome(const std::string& recordId, const ResultPair& outcome, const std::filesystem::path& path);

} // namespace varno
