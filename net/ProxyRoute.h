#pragma once

#include "net/Origin.h"
#include "net/ProxyPolicy.h"

#include <string>
#include <vector>

namespace varno {

// The way out for one request, which the transport tries in order.
struct ProxyRoute {
    std::vector<ProxyAddress> proxies; // an empty address is DIRECT
    std::string reason;                // for the log: the policy, its source, what the system answered
};

// The route for a request to `origin` under the policy. `system` asks the machine: on Windows what WinHTTP
// reads from the user's settings (static proxy and bypass list, configuration script, auto-detection),
// elsewhere https_proxy (http_proxy for http) and no_proxy. The answer for an origin is kept for the
// process's life: a script is neither downloaded nor run again. Throws VarnoError, in French, when the
// system names a proxy that cannot be used: such a request never goes direct instead.
ProxyRoute proxyRouteFor(const ProxyPolicy& policy, const Origin& origin);

// Whether a host is left out of a proxy by a no_proxy list (comma-separated names, a leading dot
// allowed; "*" leaves every host out).
bool excludedByNoProxy(const std::string& host, const std::string& noProxy);

// Whether a host is left out of a proxy by a Windows bypass list (entries separated by ";", "," or
// blanks; "*" wildcards; "<local>" for a name without a dot).
bool bypassedByWindowsList(const std::string& host, const std::string& bypassList);

// The entries of a proxy list as Windows or a configuration script gives it ("a:80;b:8080",
// "PROXY a:80; DIRECT", or per scheme "http=a:80;https=b:443"), for a request of this scheme, in order.
// Throws as systemProxy does for an entry that names no proxy.
std::vector<ProxyAddress> proxiesFromList(const std::string& list, const std::string& scheme,
                                          const std::string& setting);

// One proxy the system's settings name ("host:port" or "http://host:port"); throws VarnoError, naming
// the setting, when it names none.
ProxyAddress systemProxy(const std::string& entry, const std::string& setting);

// What the machine's own settings answer for `origin` (one file per platform).
ProxyRoute systemRoute(const Origin& origin);

} // namespace varno
