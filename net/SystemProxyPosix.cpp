// The machine's proxy settings outside Windows: the VARNO_PROXY variable for the policy, and curl's
// conventional variables for `system`.
#include "net/ProxyPolicy.h"
#include "net/ProxyRoute.h"

#include <cstdlib>

namespace varno {
namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

} // namespace

ProxyPolicy readProxyPolicy()
{
    const char* value = std::getenv("VARNO_PROXY");
    ProxyPolicy policy = value != nullptr ? proxyPolicyFrom(value, "variable d'environnement VARNO_PROXY")
                                          : ProxyPolicy{ProxyPolicy::Kind::Direct, {}, "par défaut"};
    if (const char* auth = std::getenv("VARNO_PROXY_AUTH")) {
        policy.basicAllowed = proxyAuthAllowsBasic(auth, "variable d'environnement VARNO_PROXY_AUTH");
    }
    return policy;
}

ProxyRoute systemRoute(const Origin& origin)
{
    const bool secure = origin.scheme == "https";
    std::string proxy = environment(secure ? "https_proxy" : "http_proxy");
    if (proxy.empty() && secure) {
        proxy = environment("HTTPS_PROXY");
    }
    const std::string name = secure ? "https_proxy" : "http_proxy";
    if (proxy.empty()) {
        return {{ProxyAddress{}}, name + " vide : direct"};
    }
    std::string noProxy = environment("no_proxy");
    if (noProxy.empty()) {
        noProxy = environment("NO_PROXY");
    }
    if (excludedByNoProxy(origin.host, noProxy)) {
        return {{ProxyAddress{}}, "hôte exclu par no_proxy « " + noProxy + " » : direct"};
    }
    return {{systemProxy(proxy, "variable d'environnement " + name)}, name};
}

} // namespace varno
