#pragma once

#include "sandbox/ConnectionGuard.h"
#include "sandbox/Contract.h"
#include "sandbox/Store.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

namespace varno::sandbox {

struct SandboxOptions {
    int port = 8443; // 0: any free port
    std::string dataDir;
    std::string certificateFile;
    std::string keyFile;
    ApiCredentials apiAccount; // the credentials and issuer key the API accepts
    int latencyMs = 0;         // added before every answer
    int failEvery = 0;         // every Nth request answers 503
    std::ostream* log = nullptr;
    int maxConnections = 64;                          // served at once; more are closed at once
    std::chrono::milliseconds requestDeadline{10000}; // for a request to arrive and be answered
};

// A request body is read only when announced by its length, plain, and no larger than this: the
// largest real body (an order of a few hundred records) is a few kilobytes.
constexpr std::size_t kMaxRequestBody = std::size_t{1024} * 1024;

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
    bool refuseBeforeBody(const httplib::Request& request, httplib::Response& response);

    SandboxOptions options_;
    Store store_;
    ConnectionGuard guard_;
    httplib::SSLServer server_;
    std::thread thread_;
    int port_ = 0;
    std::atomic<long long> requestCount_{0};
};

// A request target for the log: the value of the gateway's password ("mdp") is masked, however the
// key is percent-encoded.
std::string maskedTarget(const std::string& target);

} // namespace varno::sandbox
