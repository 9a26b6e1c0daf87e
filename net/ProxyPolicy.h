#pragma once

#include <optional>
#include <string>

namespace varno {

// A proxy's address, read once where its text enters: the fields curl is given, and what may be shown.
// An empty one (no host) stands for DIRECT.
struct ProxyAddress {
    std::string host; // as an address writes it: an IPv6 address in brackets
    int port = 0;
    std::string user;     // decoded; empty without an account
    std::string password; // decoded
    std::string display;  // "http://host:port", never the account

    bool direct() const { return host.empty(); }
};

// How requests leave the machine, as IT sets it at run time: straight to the services (the default, as
// the original design had it), through the machine's proxy settings, or through one proxy named by
// its address ("http://host:port", an account allowed in it).
struct ProxyPolicy {
    enum class Kind { Direct, System, Explicit };
    Kind kind = Kind::Direct;
    ProxyAddress address; // Explicit only
    std::string source;   // where it was read, for the log and the messages
    // Basic sends the account's password in clear, to the proxy and to whoever answers on its address:
    // it is offered only where IT allows it (ProxyAuth = basic).
    bool basicAllowed = false;
};

// Where IT sets the policy on Windows (under HKEY_LOCAL_MACHINE), and the names of its values: the
// Group Policy templates name the same.
inline constexpr const char* kPolicyKey = "SOFTWARE\\Policies\\Module_Varno";
inline constexpr const char* kInstallKey = "SOFTWARE\\Module_Varno"; // written by the MSI's PROXY property
inline constexpr const char* kProxyValue = "Proxy";
inline constexpr const char* kProxyAuthValue = "ProxyAuth";

// The proxy `text` names ("http://host:port", an account allowed; "host:port" where `bareAllowed`, as the
// system's settings write it), or nothing when it names none. A port left out is `defaultPort`; none
// where that is 0. The account's password is kept out of the log and the messages from then on.
std::optional<ProxyAddress> proxyAddressFrom(const std::string& text, bool bareAllowed, int defaultPort);

// The policy in `text` ("direct", "system" or "http://host:port", blanks and case of the words aside),
// read from `source`. Throws VarnoError with a French message that names the setting and its source
// (never the credentials) when the text means nothing.
ProxyPolicy proxyPolicyFrom(const std::string& text, const std::string& source);

// Whether a ProxyAuth value read from `source` allows Basic: "basic" does, "ntlm" or nothing does not
// (blanks and case aside). Throws VarnoError, in French, for any other value.
bool proxyAuthAllowsBasic(const std::string& text, const std::string& source);

// The refusal of a proxy setting that names no usable proxy, in French: the value without its account,
// and where it was read.
std::string proxySettingNotUnderstood(const std::string& text, const std::string& source);

// The machine's policy: on Windows the machine policy HKLM\SOFTWARE\Policies\Module_Varno (value Proxy,
// with ProxyAuth beside it), else HKLM\SOFTWARE\Module_Varno (the same values, Proxy written by the MSI's
// PROXY property); elsewhere the VARNO_PROXY and VARNO_PROXY_AUTH environment variables; direct when none
// is set. Throws as proxyPolicyFrom and proxyAuthAllowsBasic do.
ProxyPolicy readProxyPolicy();

// "direct", "system", or the proxy's address without its credentials.
std::string proxyPolicyName(const ProxyPolicy& policy);

} // namespace varno
