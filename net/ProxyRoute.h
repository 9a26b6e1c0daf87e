#pragma once

#include "net/ProxyPolicy.h"

#include <string>
#include <vector>

namespace varno {

// The way out for one request, which the transport tries in order.
struct ProxyRoute {
    std::vector<std::string> proxies; // "http://host:port" (credentials as the policy wrote them); "" is direct
    std::string reason;               // for the log: the policy, its source, what the system answered
};

// The route for a request to `url` under the policy. `system` asks the machine: on Windows what WinHTTP
// reads from the user's settings (static proxy and bypass list, configuration script, auto-detection),
// elsewhere https_proxy (http_proxy for http) and no_proxy. The answer for an origin is kept for the
// process's life: a script is neither downloaded nor run again.
ProxyRoute proxyRouteFor(const ProxyPolicy& policy, const std::string& url);

// Whether a host is left out of a proxy by a no_proxy list (comma-separated names, a leading dot
// allowed; "*" leaves every host out).
bool excludedByNoProxy(const std::string& host, const std::string& noProxy);

// Whether a host is left out of a proxy by a Windows bypass list (entries separated by ";", "," or
// blanks; "*" wildcards; "<local>" for a name without a dot).
bool bypassedByWindowsList(const std::string& host, const std::string& bypassList);

// The entries of a proxy list as Windows or a configuration script gives it ("a:80;b:8080",
// "PROXY a:80; DIRECT", or per scheme "http=a:80;https=b:443"), for a request of this scheme, in order;
// "" stands for DIRECT.
std::vector<std::string> proxiesFromList(const std::string& list, const std::string& scheme);

} // namespace varno
