// The conversions between the host's Windows-1252 and the program's UTF-8.

#include "foundation/ResultDocument.h"
#include "foundation/TextEncoding.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace varno;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Every byte string is Windows-1252 text, and comes back unchanged.
    const std::string decoded = windows1252ToUtf8(bytes);
    fuzz::require(isValidUtf8(decoded), "decoded Windows-1252 is UTF-8");
    fuzz::require(fitsWindows1252(decoded), "decoded Windows-1252 fits Windows-1252");
    fuzz::require(utf8ToWindows1252XmlSafe(decoded) == bytes, "Windows-1252 round trip");

    // Any text, valid UTF-8 or not, encodes; what fits comes back unchanged.
    const std::string encoded = utf8ToWindows1252XmlSafe(bytes);
    if (isValidUtf8(bytes) && fitsWindows1252(bytes)) {
        fuzz::require(windows1252ToUtf8(encoded) == bytes, "UTF-8 round trip");
    }

    const std::string allowed = withoutXmlForbiddenCharacters(bytes);
    fuzz::require(isValidUtf8(allowed), "what is left is UTF-8");
    fuzz::require(withoutXmlForbiddenCharacters(allowed) == allowed, "dropping is done in one pass");
    if (isValidUtf8(bytes)) {
        fuzz::require(allowed.size() <= bytes.size(), "dropping characters only shortens");
    }

    // Whatever the text, the host gets XML.
    ResultDocument document(ResultDocument::kEmptyDocument);
    ResultDocument::appendText(document.root(), "Libelle", std::string(bytes));
    fuzz::require(fuzz::readsAsXml(document.serialize()), "a text value is written as XML");
    return 0;
}
