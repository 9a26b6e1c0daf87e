// The machine's proxy settings on Windows: the policy in the registry, and WinHTTP's reading of the
// user's settings for `system`.
#include "foundation/Owned.h"
#include "net/ProxyPolicy.h"
#include "net/ProxyRoute.h"

#include <QString>

#include <optional>

#include <windows.h>
// winhttp.h after windows.h; wininet.h must not be included beside it.
#include <winhttp.h>

namespace varno {
namespace {

// A string value of a key under HKEY_LOCAL_MACHINE (an expandable one expanded); nothing when the key or the
// value is absent.
std::optional<std::string> machineValue(const char* keyName, const char* valueName)
{
    const std::wstring wideKey = QString(keyName).toStdWString();
    const std::wstring wideName = QString(valueName).toStdWString();
    const wchar_t* key = wideKey.c_str();
    const wchar_t* name = wideName.c_str();
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

// What WinHTTP allocates, each freed with it.
using GlobalText = Owned<wchar_t, +[](LPWSTR text) { GlobalFree(text); }>;
using InternetHandle = Owned<void, WinHttpCloseHandle>;

// A text WinHTTP allocated, read and freed.
std::string takeText(LPWSTR text)
{
    const GlobalText owned(text);
    return owned ? QString::fromWCharArray(owned.get()).toStdString() : std::string();
}

// What the configuration script or auto-detection answers for the origin; nothing when the session
// cannot be opened. Only the origin is shown to the script: the gateway's query carries a password.
std::optional<ProxyRoute> scriptRoute(const Origin& origin, const std::string& scriptUrl, bool autoDetect)
{
    const InternetHandle session(
        WinHttpOpen(L"Module_Varno", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) {
        return std::nullopt;
    }
    const std::wstring script = QString::fromStdString(scriptUrl).toStdWString();
    WINHTTP_AUTOPROXY_OPTIONS options{};
    options.dwFlags =
        (scriptUrl.empty() ? 0 : WINHTTP_AUTOPROXY_CONFIG_URL) | (autoDetect ? WINHTTP_AUTOPROXY_AUTO_DETECT : 0);
    options.dwAutoDetectFlags = autoDetect ? WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A : 0;
    options.lpszAutoConfigUrl = scriptUrl.empty() ? nullptr : script.c_str();
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO info{};
    const std::wstring address = QString::fromStdString(origin.text() + "/").toStdWString();
    const std::string how = scriptUrl.empty() ? std::string("détection automatique (WPAD)") : "script " + scriptUrl;
    if (!WinHttpGetProxyForUrl(session.get(), address.c_str(), &options, &info)) {
        return ProxyRoute{{}, how + " sans réponse (erreur " + std::to_string(GetLastError()) + ")"};
    }
    const std::string proxy = takeText(info.lpszProxy);
    const std::string bypass = takeText(info.lpszProxyBypass);
    if (info.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY || proxy.empty() ||
        bypassedByWindowsList(origin.host, bypass)) {
        return ProxyRoute{{ProxyAddress{}}, how + " : DIRECT"};
    }
    return ProxyRoute{proxiesFromList(proxy, origin.scheme, "réponse du " + how), how + " : " + proxy};
}

} // namespace

ProxyPolicy readProxyPolicy()
{
    for (const auto& [key, source] : {std::pair{kPolicyKey, "stratégie HKLM\\"}, std::pair{kInstallKey, "HKLM\\"}}) {
        const std::optional<std::string> value = machineValue(key, kProxyValue);
        if (!value) {
            continue;
        }
        const std::string where = source + std::string(key) + ", valeur ";
        ProxyPolicy policy = proxyPolicyFrom(*value, where + kProxyValue);
        if (const std::optional<std::string> auth = machineValue(key, kProxyAuthValue)) {
            policy.basicAllowed = proxyAuthAllowsBasic(*auth, where + kProxyAuthValue);
        }
        return policy;
    }
    return {ProxyPolicy::Kind::Direct, {}, "par défaut"};
}

ProxyRoute systemRoute(const Origin& origin)
{
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG settings{};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&settings)) {
        return {{ProxyAddress{}},
                "réglages du proxy de l'utilisateur illisibles (erreur " + std::to_string(GetLastError()) +
                    ") : direct"};
    }
    const std::string script = takeText(settings.lpszAutoConfigUrl);
    const std::string proxy = takeText(settings.lpszProxy);
    const std::string bypass = takeText(settings.lpszProxyBypass);
    std::string before;
    if (settings.fAutoDetect || !script.empty()) {
        const std::optional<ProxyRoute> scripted = scriptRoute(origin, script, settings.fAutoDetect != FALSE);
        if (scripted && !scripted->proxies.empty()) {
            return *scripted;
        }
        before = scripted ? scripted->reason + " ; " : std::string();
    }
    if (proxy.empty()) {
        return {{ProxyAddress{}}, before + "aucun proxy dans les réglages de l'utilisateur : direct"};
    }
    if (bypassedByWindowsList(origin.host, bypass)) {
        return {{ProxyAddress{}}, before + "hôte exclu par la liste « " + bypass + " » : direct"};
    }
    std::vector<ProxyAddress> proxies = proxiesFromList(proxy, origin.scheme, "proxy des réglages de l'utilisateur");
    if (proxies.empty()) {
        return {{ProxyAddress{}}, before + "aucun proxy pour " + origin.scheme + " dans « " + proxy + " » : direct"};
    }
    return {std::move(proxies), before + "proxy des réglages de l'utilisateur « " + proxy + " »"};
}

} // namespace varno
