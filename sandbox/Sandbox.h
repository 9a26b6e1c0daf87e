#pragma once

#include "ConfiguratorApi.h"
#include "Store.h"

#include <httplib.h>

#include <atomic>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

namespace varno::sandbox {

struct SandboxOptions {
    int port = 8443;  // 0: any free port
    std::string dataDir;
    std::string certificateFile;
    std::string keyFile;
    ApiAccount apiAccount;  // the credentials and issuer key the API accepts
    int latencyMs = 0;      // added before every answer
    int failEvery = 0;      // every Nth request answers 503
    std::ostream* log = nullptr;
};

// The local stand-in for the gateway, the online configurator and the configurator API, on one HTTPS
// server bound to loopback.
class Sandbox {
public:
    explicit Sandbox(SandboxOptions options);
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    // Binds and serves in the background; returns the port.
    int start();
    void stop();
    // Blocks until the server has stopped.
    void wait();

    std::string baseUrl() const { return "https://localhost:" + std::to_string(port_); }

private:
    void addRoutes();
    void seed();
    bool authorizeApi(const httplib::Request& request, httplib::Response& response) const;

    SandboxOptions options_;
    Store store_;
    httplib::SSLServer server_;
    std::thread thread_;
    int port_ = 0;
    std::atomic<long long> requestCount_{0};
};

// A request line for the log: the gateway's password is masked.
std::string maskedTarget(const httplib::Request& request);

} // namespace varno::sandbox
