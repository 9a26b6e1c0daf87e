// The JSON reader and the readers of the verification and order answers, fed any status and body.

#include "foundation/Error.h"
#include "foundation/Json.h"
#include "foundation/TextEncoding.h"
#include "order/Order.h"
#include "tests/fuzz/FuzzCheck.h"
#include "verification/Verification.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QDateTime>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace {

using varno::fuzz::require;

void requireXmlOutcome(const std::function<varno::ResultPair()>& read, const char* outcomeElement)
{
    varno::ResultPair outcome;
    try {
        outcome = read();
    } catch (const varno::VarnoError&) {
        return;
    }
    const std::string written = varno::outcomeDocument("1", outcomeElement, outcome).serialize();
    require(varno::fuzz::readsAsXml(written), "the outcome document is XML", written);
}

// A value the reader accepts is written back as JSON the reader reads to the same value.
void requireJsonRoundTrip(const std::string& body)
{
    try {
        const std::string text = varno::JsonValue::parse(body).jsonText();
        const std::string again = varno::JsonValue::parse(text).jsonText();
        require(again == text, "JSON text is read back unchanged", text + "\n" + again);
    } catch (const varno::VarnoError&) {
    }
}

// The order request carries the host's number and reference (UTF-8 from the configuration) as JSON.
void requireOrderRequestIsJson(const std::string& number, const std::string& reference)
{
    if (!varno::isValidUtf8(number) || !varno::isValidUtf8(reference)) {
        return;
    }
    const std::string body =
        varno::orderRequestBody("\"R-1\"", number, reference, QDateTime(QDate(2026, 1, 2), QTime(3, 4)));
    const varno::JsonValue request = varno::JsonValue::parse(body);
    require(request.member("documentNumber")->text() == "de(KORVALIS)" + number, "the order number is kept");
    require(request.member("documentTitle")->text() == reference, "the order reference is kept");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace varno;
    FuzzedDataProvider input(data, size);
    const int status = input.ConsumeBool() ? 200 : input.ConsumeIntegralInRange(100, 599);
    const std::string number = input.ConsumeRandomLengthString(64);
    const std::string reference = input.ConsumeRandomLengthString(64);
    const ApiResponse answer{status, input.ConsumeRemainingBytesAsString()};

    requireJsonRoundTrip(answer.body);
    requireXmlOutcome([&] { return readCheckAnswer(answer, "R-1"); }, "Verification");
    requireXmlOutcome([&] { return readOrderAnswer(answer); }, "Commande");
    try {
        isIndirectMode(answer.body);
    } catch (const VarnoError&) {
    }
    requireOrderRequestIsJson(number, reference);
    return 0;
}
