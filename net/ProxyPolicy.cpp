#include "net/ProxyPolicy.h"

#include "foundation/Error.h"
#include "foundation/SecretMask.h"

#include <QString>
#include <QUrl>

namespace varno {
namespace {

// Longer than any proxy address; a value this long is a mistake, and curl would stall on it.
constexpr std::size_t kLongestSetting = 2000;

// An address that did not parse, fit for a message: without what an account may have written before '@',
// and cut short when it is long.
std::string withoutAccount(const std::string& text)
{
    const std::size_t at = text.rfind('@');
    const std::size_t scheme = text.find("://");
    const std::size_t start = scheme == std::string::npos || scheme > at ? 0 : scheme + 3;
    const std::string shown = at == std::string::npos ? text : text.substr(0, start) + text.substr(at + 1);
    constexpr std::size_t kShown = 80;
    return shown.size() > kShown ? shown.substr(0, kShown) + "…" : shown;
}

} // namespace

std::optional<ProxyAddress> proxyAddressFrom(const std::string& text, bool bareAllowed, int defaultPort)
{
    if (text.size() > kLongestSetting) {
        return std::nullopt;
    }
    QString value = QString::fromStdString(text).trimmed();
    if (bareAllowed && !value.contains("://")) {
        value.prepend("http://");
    }
    const QUrl url(value, QUrl::StrictMode);
    const int port = url.port(defaultPort);
    if (!url.isValid() || url.scheme().compare("http", Qt::CaseInsensitive) != 0 || url.host().isEmpty() || port <= 0 ||
        (!url.path().isEmpty() && url.path() != "/") || url.hasQuery() || url.hasFragment()) {
        return std::nullopt;
    }
    const QString host = url.host(QUrl::FullyEncoded);
    ProxyAddress address{(host.contains(':') ? "[" + host + "]" : host).toStdString(),
                         port,
                         url.userName(QUrl::FullyDecoded).toStdString(),
                         url.password(QUrl::FullyDecoded).toStdString(),
                         {}};
    address.display = "http://" + address.host + ":" + std::to_string(port);
    if (!address.password.empty()) {
        keepSecret(address.user, address.password);
        keepSecret(url.password(QUrl::FullyEncoded).toStdString());
    }
    return address;
}

std::string proxySettingNotUnderstood(const std::string& text, const std::string& source)
{
    return "Le réglage du proxy « " + withoutAccount(text) + " » (" + source +
           ") n'est pas compris. Valeurs possibles : direct, system, ou l'adresse d'un proxy de la forme "
           "http://hôte:port (éventuellement http://utilisateur:motdepasse@hôte:port). Aucune requête n'a été "
           "envoyée ; demandez au service informatique de corriger ce réglage.";
}

bool proxyAuthAllowsBasic(const std::string& text, const std::string& source)
{
    const QString value = QString::fromStdString(text).trimmed();
    if (value.isEmpty() || value.compare("ntlm", Qt::CaseInsensitive) == 0) {
        return false;
    }
    if (value.compare("basic", Qt::CaseInsensitive) == 0) {
        return true;
    }
    throw VarnoError("Le réglage ProxyAuth « " + withoutAccount(text) + " » (" + source +
                     ") n'est pas compris. Valeurs possibles : ntlm (par défaut) ou basic. Aucune requête n'a été "
                     "envoyée ; demandez au service informatique de corriger ce réglage.");
}

std::string proxyPolicyName(const ProxyPolicy& policy)
{
    switch (policy.kind) {
    case ProxyPolicy::Kind::System:
        return "system";
    case ProxyPolicy::Kind::Explicit:
        return policy.address.display;
    case ProxyPolicy::Kind::Direct:
        break;
    }
    return "direct";
}

ProxyPolicy proxyPolicyFrom(const std::string& text, const std::string& source)
{
    const QString value = QString::fromStdString(text).trimmed();
    if (value.isEmpty() || value.compare("direct", Qt::CaseInsensitive) == 0) {
        return {ProxyPolicy::Kind::Direct, {}, source};
    }
    if (value.compare("system", Qt::CaseInsensitive) == 0) {
        return {ProxyPolicy::Kind::System, {}, source};
    }
    std::optional<ProxyAddress> address = proxyAddressFrom(text, false, 0);
    if (!address) {
        throw VarnoError(proxySettingNotUnderstood(text, source));
    }
    return {ProxyPolicy::Kind::Explicit, std::move(*address), source};
}

} // namespace varno
