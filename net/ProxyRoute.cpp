#include "net/ProxyRoute.h"

#include "foundation/Owned.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>

#ifdef _WIN32
#include <windows.h>
// winhttp.h after windows.h; wininet.h must not be included beside it.
#include <winhttp.h>
#endif

namespace varno {
namespace {

std::string withScheme(const QString& entry)
{
    return (entry.contains("://") ? entry : "http://" + entry).toStdString();
}

#ifdef _WIN32
// What WinHTTP allocates, each freed with it.
using GlobalText = Owned<wchar_t, +[](LPWSTR text) { GlobalFree(text); }>;
using InternetHandle = Owned<void, WinHttpCloseHandle>;

// A text WinHTTP allocated, read and freed.
QString takeText(LPWSTR text)
{
    const GlobalText owned(text);
    return owned ? QString::fromWCharArray(owned.get()) : QString();
}

// What the configuration script or auto-detection answers for the address; nothing when it fails, with
// the reason.
std::optional<ProxyRoute> scriptRoute(const QUrl& url, const QString& scriptUrl, bool autoDetect)
{
    const InternetHandle session(
        WinHttpOpen(L"Module_Varno", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) {
        return std::nullopt;
    }
    const std::wstring script = scriptUrl.toStdWString();
    WINHTTP_AUTOPROXY_OPTIONS options{};
    options.dwFlags =
        (scriptUrl.isEmpty() ? 0 : WINHTTP_AUTOPROXY_CONFIG_URL) | (autoDetect ? WINHTTP_AUTOPROXY_AUTO_DETECT : 0);
    options.dwAutoDetectFlags = autoDetect ? WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A : 0;
    options.lpszAutoConfigUrl = scriptUrl.isEmpty() ? nullptr : script.c_str();
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO info{};
    const std::wstring address = url.toString().toStdWString();
    const QString how = scriptUrl.isEmpty() ? QString("détection automatique (WPAD)") : "script " + scriptUrl;
    if (!WinHttpGetProxyForUrl(session.get(), address.c_str(), &options, &info)) {
        return ProxyRoute{{}, (how + " sans réponse (erreur " + QString::number(GetLastError()) + ")").toStdString()};
    }
    const QString proxy = takeText(info.lpszProxy);
    const QString bypass = takeText(info.lpszProxyBypass);
    ProxyRoute route;
    if (info.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY || proxy.isEmpty() ||
        bypassedByWindowsList(url.host().toStdString(), bypass.toStdString())) {
        route.proxies = {""};
        route.reason = (how + " : DIRECT").toStdString();
    } else {
        route.proxies = proxiesFromList(proxy.toStdString(), url.scheme().toStdString());
        route.reason = (how + " : " + proxy).toStdString();
    }
    return route;
}

ProxyRoute systemRoute(const QUrl& url)
{
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG settings{};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&settings)) {
        return {{""},
                "réglages du proxy de l'utilisateur illisibles (erreur " + std::to_string(GetLastError()) +
                    ") : direct"};
    }
    const QString script = takeText(settings.lpszAutoConfigUrl);
    const QString proxy = takeText(settings.lpszProxy);
    const QString bypass = takeText(settings.lpszProxyBypass);
    std::string before;
    if (settings.fAutoDetect || !script.isEmpty()) {
        const std::optional<ProxyRoute> scripted = scriptRoute(url, script, settings.fAutoDetect != FALSE);
        if (scripted && !scripted->proxies.empty()) {
            return *scripted;
        }
        before = scripted ? scripted->reason + " ; " : std::string();
    }
    if (proxy.isEmpty()) {
        return {{""}, before + "aucun proxy dans les réglages de l'utilisateur : direct"};
    }
    if (bypassedByWindowsList(url.host().toStdString(), bypass.toStdString())) {
        return {{""}, before + "hôte exclu par la liste « " + bypass.toStdString() + " » : direct"};
    }
    std::vector<std::string> proxies = proxiesFromList(proxy.toStdString(), url.scheme().toStdString());
    if (proxies.empty()) {
        return {{""},
                before + "aucun proxy pour " + url.scheme().toStdString() + " dans « " + proxy.toStdString() +
                    " » : direct"};
    }
    return {std::move(proxies), before + "proxy des réglages de l'utilisateur « " + proxy.toStdString() + " »"};
}
#else
std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

ProxyRoute systemRoute(const QUrl& url)
{
    const bool secure = url.scheme() == "https";
    std::string proxy = environment(secure ? "https_proxy" : "http_proxy");
    if (proxy.empty() && secure) {
        proxy = environment("HTTPS_PROXY");
    }
    const std::string name = secure ? "https_proxy" : "http_proxy";
    if (proxy.empty()) {
        return {{""}, name + " vide : direct"};
    }
    std::string noProxy = environment("no_proxy");
    if (noProxy.empty()) {
        noProxy = environment("NO_PROXY");
    }
    if (excludedByNoProxy(url.host().toStdString(), noProxy)) {
        return {{""}, "hôte exclu par no_proxy « " + noProxy + " » : direct"};
    }
    return {{withScheme(QString::fromStdString(proxy))}, name};
}
#endif

} // namespace

bool excludedByNoProxy(const std::string& host, const std::string& noProxy)
{
    const QString name = QString::fromStdString(host).toLower().remove('[').remove(']');
    for (QString entry : QString::fromStdString(noProxy).split(',', Qt::SkipEmptyParts)) {
        entry = entry.trimmed().toLower();
        if (entry == "*") {
            return true;
        }
        while (entry.startsWith('.')) {
            entry.remove(0, 1);
        }
        if (!entry.isEmpty() && (name == entry || name.endsWith("." + entry))) {
            return true;
        }
    }
    return false;
}

bool bypassedByWindowsList(const std::string& host, const std::string& bypassList)
{
    const QString name = QString::fromStdString(host).toLower();
    static const QRegularExpression separators("[;,\\s]+");
    for (QString entry : QString::fromStdString(bypassList).split(separators, Qt::SkipEmptyParts)) {
        entry = entry.toLower();
        if (entry == "<local>") {
            if (!name.contains('.') && !name.contains(':')) {
                return true;
            }
            continue;
        }
        entry.remove(QRegularExpression("^[a-z]+://"));
        if (QRegularExpression::fromWildcard(entry, Qt::CaseInsensitive).match(name).hasMatch()) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> proxiesFromList(const std::string& list, const std::string& scheme)
{
    std::vector<std::string> generic;
    std::vector<std::string> forScheme;
    for (const QString& raw : QString::fromStdString(list).split(';', Qt::SkipEmptyParts)) {
        QString entry = raw.trimmed();
        if (entry.isEmpty()) {
            continue;
        }
        if (entry.compare("DIRECT", Qt::CaseInsensitive) == 0) {
            generic.emplace_back();
            continue;
        }
        entry.remove(QRegularExpression("^(PROXY|HTTP)\\s+", QRegularExpression::CaseInsensitiveOption));
        const qsizetype equals = entry.indexOf('=');
        if (equals > 0) {
            if (entry.left(equals).trimmed().compare(QString::fromStdString(scheme), Qt::CaseInsensitive) == 0) {
                forScheme.push_back(withScheme(entry.mid(equals + 1).trimmed()));
            }
            continue;
        }
        generic.push_back(withScheme(entry));
    }
    return forScheme.empty() ? generic : forScheme;
}

ProxyRoute proxyRouteFor(const ProxyPolicy& policy, const std::string& url)
{
    switch (policy.kind) {
    case ProxyPolicy::Kind::Direct:
        return {{""}, "direct (politique « direct », " + policy.source + ")"};
    case ProxyPolicy::Kind::Explicit:
        return {{policy.address},
                "proxy " + proxyForDisplay(policy.address) + " (politique explicite, " + policy.source + ")"};
    case ProxyPolicy::Kind::System:
        break;
    }
    const QUrl address(QString::fromStdString(url));
    const std::string origin =
        address.scheme().toStdString() + "://" + address.host().toStdString() + ":" + std::to_string(address.port());
    static std::mutex mutex;
    static auto* const known = new std::map<std::string, ProxyRoute>; // for the process's life
    const std::lock_guard lock(mutex);
    auto found = known->find(origin);
    if (found == known->end()) {
        ProxyRoute route = systemRoute(address);
        route.reason = "système (politique « system », " + policy.source + ") : " + route.reason;
        found = known->emplace(origin, std::move(route)).first;
    }
    return found->second;
}

} // namespace varno
