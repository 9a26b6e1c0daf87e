// What the `system` proxy policy costs each request after the first, against `direct` in the same run:
// the same requests to a loopback server, on one connection per client, alternately. The machine's
// settings leave the server direct here (the route is decided, then kept for the origin); a second pair
// compares `system` naming a proxy with the same proxy given explicitly.
//
//   proxy_bench [requests per round, 200 by default] [rounds, 5 by default]
#include "net/HttpClient.h"
#include "net/ProxyPolicy.h"
#include "tests/support/TestConnectProxy.h"
#include "tests/support/TestHttpsServer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace varno;

namespace {

// Microseconds per request of `count` requests made with one client of this policy, the first left out.
double perRequest(const ProxyPolicy& policy, const std::string& url, int count)
{
    HttpClientOptions options;
    options.extraCaCertificates = test::testCaCertificates();
    options.proxy = policy;
    HttpClient client(options);
    client.send({.url = url}); // the first: the route decided, the connection made
    const auto start = std::chrono::steady_clock::now();
    for (int index = 0; index < count; ++index) {
        client.send({.url = url});
    }
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    return took.count() / count;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    const int count = argc > 1 ? static_cast<int>(std::strtol(argv[1], nullptr, 10)) : 200;
    const int rounds = argc > 2 ? static_cast<int>(std::strtol(argv[2], nullptr, 10)) : 5;
    test::TestHttpsServer server;
    server.setHandler(
        [](const httplib::Request&, httplib::Response& response) { response.set_content("ok", "text/plain"); });
    test::TestConnectProxy proxy;
    const std::string url = server.baseUrl() + "/x";
    const std::string proxiedUrl = server.baseUrlByAddress() + "/x"; // another origin: its own route
    const ProxyPolicy direct = proxyPolicyFrom("direct", "bench");
    const ProxyPolicy system = proxyPolicyFrom("system", "bench");
    const ProxyPolicy explicitly = proxyPolicyFrom(proxy.address(), "bench");
    std::vector<double> directTimes;
    std::vector<double> systemTimes;
    std::vector<double> explicitTimes;
    std::vector<double> systemProxiedTimes;
    for (int round = 0; round < rounds; ++round) {
#ifndef _WIN32
        unsetenv("https_proxy");
        unsetenv("HTTPS_PROXY");
#endif
        directTimes.push_back(perRequest(direct, url, count));
        systemTimes.push_back(perRequest(system, url, count));
        explicitTimes.push_back(perRequest(explicitly, proxiedUrl, count));
#ifndef _WIN32
        setenv("https_proxy", proxy.address().c_str(), 1);
        systemProxiedTimes.push_back(perRequest(system, proxiedUrl, count));
#endif
    }
    std::printf("per request after the first, median of %d rounds of %d:\n", rounds, count);
    std::printf("  direct %.0f us, system (left direct) %.0f us: system costs %+.0f us\n", median(directTimes),
                median(systemTimes), median(systemTimes) - median(directTimes));
    if (!systemProxiedTimes.empty()) {
        std::printf("  through the proxy: explicit %.0f us, system %.0f us: system costs %+.0f us\n",
                    median(explicitTimes), median(systemProxiedTimes),
                    median(systemProxiedTimes) - median(explicitTimes));
    }
    return 0;
}
