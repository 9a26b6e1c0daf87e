#pragma once

#include <pugixml.hpp>

#include <filesystem>
#include <string>
#include <string_view>

namespace varno {

// The XML document through which every workflow answers the host. It is built from a starting text,
// declared "ISO-8859-1", and written as Windows-1252 bytes followed by one CR LF.
class ResultDocument {
public:
    // The verification and order workflows start from this text.
    static constexpr std::string_view kEmptyDocument = "<Configurateur></Configurateur>";

    // Parses the starting text (UTF-8) and declares the encoding "ISO-8859-1". Throws VarnoError when
    // the text is not well-formed XML.
    explicit ResultDocument(std::string_view startingXml);

    // The top-level element "Configurateur", or an empty handle when the document has none; appending
    // to an empty handle does nothing, so such a document is written without added content.
    pugi::xml_node root() const;

    // Appends an element holding text as the last child of parent and returns it.
    static pugi::xml_node appendText(pugi::xml_node parent, const char* name, const std::string& text);

    // The bytes of the file: declaration and document in Windows-1252, then CR LF.
    std::string serialize() const;

    // Writes the bytes beside path and renames them over it, so a failure leaves the file as it was.
    void save(const std::filesystem::path& path) const;

private:
    pugi::xml_document document_;
};

// The outcome of the verification and order workflows: a keyword (or empty) and its message.
struct ResultPair {
    std::string code;
    std::string libelle;
    bool operator==(const ResultPair&) const = default;
};

// A status other than 200 that came back: "RESPONSE_CODE" and the status in decimal.
ResultPair responseCodeOutcome(int status);

// The verification and order document: "Project" holding the record identifier, then the outcome
// element ("Verification" or "Commande") holding "Code" and "Libelle".
ResultDocument outcomeDocument(const std::string& recordId, const char* outcomeElement, const ResultPair& outcome);

} // namespace varno
