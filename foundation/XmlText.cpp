#include "foundation/XmlText.h"

#include "foundation/Error.h"

#include <QByteArray>
#include <QXmlStreamReader>

namespace varno {

pugi::xml_document parseXml(std::string_view utf8, std::string_view what)
{
    pugi::xml_document document;
    const auto parsed = document.load_buffer(utf8.data(), utf8.size(),
                                             pugi::parse_default | pugi::parse_declaration | pugi::parse_comments |
                                                 pugi::parse_pi | pugi::parse_doctype,
                                             pugi::encoding_utf8);
    if (!parsed) {
        throw VarnoError(std::string(what) + " n'est pas un document XML valide : " + parsed.description() +
                         " (position " + std::to_string(parsed.offset) + ").");
    }
    return document;
}

std::optional<std::string> xmlReadingFault(std::string_view bytes)
{
    QXmlStreamReader reader(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
    while (!reader.atEnd()) {
        reader.readNext();
    }
    if (!reader.hasError()) {
        return std::nullopt;
    }
    return reader.errorString().toStdString() + " (ligne " + std::to_string(reader.lineNumber()) + ", colonne " +
           std::to_string(reader.columnNumber()) + ")";
}

std::string elementText(const pugi::xml_node& parent, const char* name)
{
    return parent.child(name).text().get();
}

} // namespace varno
