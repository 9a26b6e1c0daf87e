#include "foundation/ResultDocument.h"

#include "foundation/Error.h"
#include "foundation/TextEncoding.h"
#include "foundation/WholeFile.h"
#include "foundation/XmlText.h"

#include <sstream>

namespace varno {
namespace {

// Makes a parsed document writable as well-formed XML 1.0 in Windows-1252: characters XML forbids are
// dropped from every value, and a name (or the declaration, or the document type) holding a character
// that Windows-1252 lacks is refused, since no character reference can stand in a name.
class ForWindows1252Xml : public pugi::xml_tree_walker {
public:
    bool for_each(pugi::xml_node& node) override
    {
        const bool named =
            node.type() == pugi::node_element || node.type() == pugi::node_pi || node.type() == pugi::node_declaration;
        if ((named && !fitsWindows1252(node.name())) ||
            (node.type() == pugi::node_doctype && !fitsWindows1252(node.value()))) {
            refuse(node.type() == pugi::node_doctype ? node.value() : node.name());
        }
        node.set_value(withoutXmlForbiddenCharacters(node.value()).c_str());
        for (pugi::xml_attribute attribute : node.attributes()) {
            if (!fitsWindows1252(attribute.name()) ||
                (node.type() == pugi::node_declaration && !fitsWindows1252(attribute.value()))) {
                refuse(attribute.name());
            }
            attribute.set_value(withoutXmlForbiddenCharacters(attribute.value()).c_str());
        }
        return true;
    }

private:
    [[noreturn]] static void refuse(const std::string& name)
    {
        throw VarnoError("Le document de résultat ne peut pas être écrit en ISO-8859-1 : le nom « " + name +
                         " » contient un caractère que ce jeu de caractères n'a pas.");
    }
};

// version, then optionally encoding, then optionally standalone: the only declarations XML allows.
// pugixml reads any attributes there, and a strict reader may let a second encoding through and then
// follow it.
bool isWellFormedDeclaration(const pugi::xml_node& declaration)
{
    std::string names;
    for (const pugi::xml_attribute& attribute : declaration.attributes()) {
        names += std::string(attribute.name()) + ' ';
    }
    return names == "version " || names == "version encoding " || names == "version standalone " ||
           names == "version encoding standalone ";
}

} // namespace

ResultDocument::ResultDocument(std::string_view startingXml)
    : document_(parseXml(startingXml, "Le document de résultat"))
{
    ForWindows1252Xml cleaning;
    document_.traverse(cleaning);
    pugi::xml_node declaration = document_.first_child();
    if (declaration.type() == pugi::node_declaration && !isWellFormedDeclaration(declaration)) {
        throw VarnoError(
            "Le document de résultat n'est pas un document XML valide : sa déclaration XML est mal formée.");
    }
    if (declaration.type() != pugi::node_declaration) {
        declaration = document_.prepend_child(pugi::node_declaration);
        declaration.append_attribute("version") = "1.0";
    }
    pugi::xml_attribute encoding = declaration.attribute("encoding");
    if (!encoding) {
        encoding = declaration.insert_attribute_after("encoding", declaration.attribute("version"));
    }
    encoding.set_value("ISO-8859-1");
    // pugixml reads more than XML allows (two top elements, a repeated attribute, a malformed
    // declaration) and would write it back as it came: refuse it here rather than hand it to the host.
    if (const std::optional<std::string> fault = xmlReadingFault(serialize())) {
        throw VarnoError("Le document de résultat n'est pas un document XML valide : " + *fault + ".");
    }
}

pugi::xml_node ResultDocument::root() const
{
    return document_.child("Configurateur");
}

pugi::xml_node ResultDocument::appendText(pugi::xml_node parent, const char* name, const std::string& text)
{
    pugi::xml_node element = parent.append_child(name);
    if (!text.empty()) {
        element.text().set(withoutXmlForbiddenCharacters(text).c_str());
    }
    return element;
}

std::string ResultDocument::serialize() const
{
    std::ostringstream utf8;
    document_.save(utf8, "", pugi::format_raw, pugi::encoding_utf8);
    return utf8ToWindows1252XmlSafe(utf8.str()) + "\r\n";
}

void ResultDocument::save(const std::filesystem::path& path) const
{
    writeFileWhole(path, serialize());
}

ResultPair responseCodeOutcome(int status)
{
    return {"RESPONSE_CODE", std::to_string(status)};
}

ResultDocument outcomeDocument(const std::string& recordId, const char* outcomeElement, const ResultPair& outcome)
{
    ResultDocument document(ResultDocument::kEmptyDocument);
    ResultDocument::appendText(document.root(), "Project", recordId);
    const pugi::xml_node element = ResultDocument::appendText(document.root(), outcomeElement, "");
    ResultDocument::appendText(element, "Code", outcome.code);
    ResultDocument::appendText(element, "Libelle", outcome.libelle);
    return document;
}

} // namespace varno
