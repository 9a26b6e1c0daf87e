#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace varno::test {

// An HTTP proxy on loopback that opens CONNECT tunnels only, as office proxies do for HTTPS, and keeps
// a record of each CONNECT it received: what the tests read to prove which requests went through it.
// With credentials, it answers 407 (Basic) to a CONNECT that does not carry them, on the same
// connection, as proxies do.
class TestConnectProxy {
public:
    // credentials: "user:password" that a CONNECT must carry in Basic; empty for none.
    explicit TestConnectProxy(std::string credentials = {});
    ~TestConnectProxy();
    TestConnectProxy(const TestConnectProxy&) = delete;
    TestConnectProxy& operator=(const TestConnectProxy&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port>"
    std::string address() const;

    struct Connect {
        std::string target;        // "host:port"
        std::string authorization; // the Proxy-Authorization header, or empty
        bool tunnelled = false;    // answered 200 and relayed
    };
    std::vector<Connect> connects() const;

private:
    void serve(std::intptr_t handle);

    std::string credentials_;
    std::intptr_t listener_;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    mutable std::mutex mutex_;
    std::vector<Connect> connects_;
    std::vector<std::intptr_t> clients_;
    std::vector<std::thread> workers_;
};

} // namespace varno::test
