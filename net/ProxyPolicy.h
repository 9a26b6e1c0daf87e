#pragma once

#include <string>

namespace varno {

// How requests leave the machine, as IT sets it at run time: straight to the services (the default, as
// the original design had it), through the machine's proxy settings, or through one proxy named by
// its address ("http://host:port", credentials allowed in it for Basic).
struct ProxyPolicy {
    enum class Kind { Direct, System, Explicit };
    Kind kind = Kind::Direct;
    std::string address; // Explicit only: as written, credentials included
    std::string source;  // where it was read, for the log and the messages
};

// The policy in `text` ("direct", "system" or "http://host:port", blanks and case of the words aside),
// read from `source`. Throws VarnoError with a French message that names the setting and its source
// (never the credentials) when the text means nothing.
ProxyPolicy proxyPolicyFrom(const std::string& text, const std::string& source);

// The machine's policy: on Windows the machine policy HKLM\SOFTWARE\Policies\Module_Varno (value Proxy),
// else HKLM\SOFTWARE\Module_Varno (value Proxy, written by the MSI's PROXY property); elsewhere the
// VARNO_PROXY environment variable; direct when none is set. Throws as proxyPolicyFrom does.
ProxyPolicy readProxyPolicy();

// "direct", "system", or the proxy's address without its credentials.
std::string proxyPolicyName(const ProxyPolicy& policy);

// A proxy address fit for a message or the log: without its credentials.
std::string proxyForDisplay(const std::string& address);

} // namespace varno
