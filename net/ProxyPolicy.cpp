#include "net/ProxyPolicy.h"

#include "foundation/Error.h"
#include "foundation/SecretMask.h"

#include <QString>
#include <QUrl>

#include <optional>

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdlib>
#endif

namespace varno {
namespace {

#ifdef _WIN32
// A string value of a key under HKEY_LOCAL_MACHINE (an expandable one expanded); nothing when the key or the
// value is absent.
std::optional<std::string> machineValue(const wchar_t* key, const wchar_t* name)
{
    DWORD size = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ, nullptr, value.data(), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.resize(wcsnlen(value.c_str(), value.size()));
    return QString::fromStdWString(value).toStdString();
}
#endif

} // namespace

std::string proxyForDisplay(const std::string& address)
{
    QUrl url(QString::fromStdString(address), QUrl::StrictMode);
    if (!url.isValid()) {
        const std::size_t at = address.rfind('@');
        return at == std::string::npos ? address : address.substr(at + 1);
    }
    return url.toString(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment)
        .toStdString();
}

std::string proxyPolicyName(const ProxyPolicy& policy)
{
    switch (policy.kind) {
    case ProxyPolicy::Kind::System:
        return "system";
    case ProxyPolicy::Kind::Explicit:
        return proxyForDisplay(policy.address);
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
    const QUrl url(value, QUrl::StrictMode);
    const bool meaningful = url.isValid() && url.scheme().compare("http", Qt::CaseInsensitive) == 0 &&
                            !url.host().isEmpty() && url.port() > 0 && (url.path().isEmpty() || url.path() == "/") &&
                            !url.hasQuery() && !url.hasFragment();
    if (!meaningful) {
        throw VarnoError("Le réglage du proxy « " + proxyForDisplay(value.toStdString()) + " » (" + source +
                         ") n'est pas compris. Valeurs possibles : direct, system, ou l'adresse d'un proxy de la "
                         "forme http://hôte:port (éventuellement http://utilisateur:motdepasse@hôte:port). "
                         "Aucune requête n'a été envoyée ; demandez au service informatique de corriger ce réglage.");
    }
    if (!url.password().isEmpty()) {
        keepSecret(url.userName(QUrl::FullyDecoded).toStdString(), url.password(QUrl::FullyDecoded).toStdString());
        keepSecret(url.password(QUrl::FullyEncoded).toStdString());
    }
    return {ProxyPolicy::Kind::Explicit, value.toStdString(), source};
}

ProxyPolicy readProxyPolicy()
{
#ifdef _WIN32
    for (const auto& [key, source] :
         {std::pair{L"SOFTWARE\\Policies\\Module_Varno",
                    "stratégie HKLM\\SOFTWARE\\Policies\\Module_Varno, valeur Proxy"},
          std::pair{L"SOFTWARE\\Module_Varno", "HKLM\\SOFTWARE\\Module_Varno, valeur Proxy"}}) {
        if (const std::optional<std::string> value = machineValue(key, L"Proxy")) {
            return proxyPolicyFrom(*value, source);
        }
    }
#else
    if (const char* value = std::getenv("VARNO_PROXY")) {
        return proxyPolicyFrom(value, "variable d'environnement VARNO_PROXY");
    }
#endif
    return {ProxyPolicy::Kind::Direct, {}, "par défaut"};
}

} // namespace varno
