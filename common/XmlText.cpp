#include "XmlText.h"

#include "Error.h"

namespace varno {

pugi::xml_document parseXml(std::string_view utf8, std::string_view what)
{
    pugi::xml_document document;
    const auto parsed = document.load_buffer(utf8.data(), utf8.size(), pugi::parse_default | pugi::parse_declaration | pugi::parse_comments | pugi::parse_pi | pugi::parse_doctype,
                                             pugi::encoding_utf8);
    if (!parsed) {
        throw VarnoError(std::string(what) + " n'est pas un document XML valide : " + parsed.description() +
                         " (position " + std::to_string(parsed.offset) + ").");
    }
    return document;
}

std::string elementText(const pugi::xml_node& parent, const char* name)
{
    return parent.child(name).text().get();
}

} // namespace varno
