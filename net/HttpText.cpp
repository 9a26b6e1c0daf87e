#include "net/HttpText.h"

#include "foundation/Error.h"
#include "foundation/TextEncoding.h"

#include <QByteArray>
#include <QStringDecoder>

#include <algorithm>
#include <cctype>
#include <sstream>

namespace varno {

std::string lowerAscii(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string trimBlanks(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::string decodeBody(const std::string& body, const std::string& contentType)
{
    std::string charset;
    std::istringstream parameters(contentType);
    std::string parameter;
    std::getline(parameters, parameter, ';'); // the media type itself
    while (std::getline(parameters, parameter, ';')) {
        const auto equals = parameter.find('=');
        if (equals != std::string::npos && lowerAscii(trimBlanks(parameter.substr(0, equals))) == "charset") {
            charset = lowerAscii(trimBlanks(parameter.substr(equals + 1)));
            if (charset.size() >= 2 && charset.front() == '"' && charset.back() == '"') {
                charset = charset.substr(1, charset.size() - 2);
            }
        }
    }
    if (charset.empty()) {
        return isValidUtf8(body) ? body : windows1252ToUtf8(body);
    }
    if (charset == "utf-8" || charset == "utf8") {
        return body;
    }
    // Web practice reads ISO-8859-1 and ASCII labels as Windows-1252, their superset.
    if (charset == "windows-1252" || charset == "cp1252" || charset == "iso-8859-1" || charset == "latin1" ||
        charset == "iso8859-1" || charset == "us-ascii" || charset == "ascii") {
        return windows1252ToUtf8(body);
    }
    QStringDecoder decoder(charset.c_str());
    if (!decoder.isValid()) {
        throw VarnoError("Le jeu de caractères « " + charset + " » de la réponse n'est pas pris en charge.");
    }
    const QString text = decoder.decode(QByteArray::fromRawData(body.data(), static_cast<qsizetype>(body.size())));
    return text.toStdString();
}

std::string bodyText(const HttpResponse& response)
{
    return decodeBody(response.body, response.contentType);
}

} // namespace varno
