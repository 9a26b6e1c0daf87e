// The pricing result document, from a retrieval document and a quotation record both as servers may
// send them. Whatever comes in, the host gets well-formed XML or a refusal (VarnoError), never broken
// XML.

#include "foundation/Error.h"
#include "foundation/Json.h"
#include "pricing/QuoteMapping.h"
#include "tests/fuzz/FuzzCheck.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

varno::PricingValues valuesFromRecord(const std::string& recordText)
{
    try {
        return varno::mapQuotationRecord(varno::JsonValue::parse(recordText),
                                         [](const std::string&) { return std::string("C:\\Devis\\Q-1.bmp"); });
    } catch (const varno::VarnoError&) {
        // Not a record: its raw text in every value still tests the writing.
        return {recordText, recordText, recordText, recordText, recordText, recordText,
                recordText, recordText, recordText, recordText, recordText};
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace varno;
    FuzzedDataProvider input(data, size);
    const std::string retrievalDocument = input.ConsumeRandomLengthString();
    const std::string recordText = input.ConsumeRemainingBytesAsString();

    const PricingValues values = valuesFromRecord(recordText);
    std::string written;
    try {
        written = pricingDocument(retrievalDocument, values).serialize();
    } catch (const VarnoError&) {
        return 0;
    }
    fuzz::require(written.ends_with("\r\n"), "the document ends with CR LF");
    fuzz::require(fuzz::readsAsXml(written), "the pricing result document is XML", written);
    return 0;
}
