#include "pricing/Gateway.h"

#include "foundation/SecretMask.h"
#include "foundation/XmlText.h"

#include <QByteArray>
#include <QUrl>

namespace varno {
namespace {

std::string percentEncoded(const std::string& value)
{
    return QByteArray::fromStdString(value).toPercentEncoding().toStdString();
}

bool isWebAddress(const std::string& url)
{
    // Tolerant, as the browser reads it: a raw space, brace or stray '%' does not make a web address
    // something else, and the rule needs only the scheme and a host.
    const QUrl parsed(QString::fromStdString(url), QUrl::TolerantMode);
    return parsed.isValid() && (parsed.scheme() == "https" || parsed.scheme() == "http") && !parsed.host().isEmpty();
}

} // namespace

bool GatewayLogin::isComplete() const
{
    return !token.empty() && isWebAddress(connectionUrl) && !retrievalUrl.empty();
}

std::string gatewayLoginUrl(const std::string& gatewayUrl, const std::string& userLogin,
                            const std::string& userPassword, const std::string& brand, const std::string& quoteId)
{
    keepSecret(userPassword);
    std::string url = gatewayUrl + kGatewayPath + "?email=" + percentEncoded(userLogin) +
                      "&mdp=" + percentEncoded(userPassword) + "&passerelle=" + percentEncoded(brand);
    if (!quoteId.empty()) {
        url += "&jeton=" + percentEncoded(quoteId);
    }
    return url;
}

GatewayLogin readGatewayAnswer(const std::string& answer)
{
    const pugi::xml_document document = parseXml(answer, "La réponse de la passerelle");
    const pugi::xml_node root = document.child("Configurateur");
    GatewayLogin login{elementText(root, "Jeton"), elementText(root, "UrlConnexion"),
                       elementText(root, "UrlRecuperation")};
    keepSecret(login.token); // it may stand in the addresses' paths
    return login;
}

std::string gatewayFailureMessage(const std::string& brand, const std::vector<std::string>& errorLines)
{
    std::string message = "Configurateur " + brand + " : GetJetonEtUrlsErreurs \n";
    for (const std::string& line : errorLines) {
        message += line + "\r\n";
    }
    return message;
}

} // namespace varno
