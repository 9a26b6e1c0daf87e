#pragma once

#include <httplib.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace varno::test {

// One request as the server received it.
struct RecordedRequest {
    std::string method;
    std::string target; // path and query, as sent
    std::string path;
    std::string body;
    httplib::Headers headers;
    int clientPort = 0; // tells the client's connections apart

    // Every value of a header (names without regard to case), in the order received.
    std::vector<std::string> headerValues(const std::string& name) const;
    std::string header(const std::string& name) const; // the first value, or empty
};

// An HTTPS server on loopback, on a port of its own, that records every request and answers what the
// test scripts. By default it presents the build's localhost certificate, signed by the test CA.
class TestHttpsServer {
public:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    // On a free loopback port, or on the given one (throws when it is taken).
    explicit TestHttpsServer(int port = 0);
    TestHttpsServer(const std::string& certificateFile, const std::string& keyFile, int port = 0);
    ~TestHttpsServer();
    TestHttpsServer(const TestHttpsServer&) = delete;
    TestHttpsServer& operator=(const TestHttpsServer&) = delete;

    // Answers every request; the default answers 404.
    void setHandler(Handler handler);

    // "https://localhost:<port>"
    std::string baseUrl() const;
    // "https://127.0.0.1:<port>": the same server under another host name.
    std::string baseUrlByAddress() const;
    int port() const { return port_; }

    std::vector<RecordedRequest> requests() const;

    // Holds a handler until released or until the time runs out (for a server that stalls).
    void holdUntilReleased(std::chrono::seconds atMost);
    void release();

private:
    void start(int port);

    httplib::SSLServer server_;
    std::thread thread_;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable released_;
    bool isReleased_ = false;
    Handler handler_;
    std::vector<RecordedRequest> requests_;
};

// An answer that trickles: a byte every 100 ms for 30 s, so that the client never stalls but waits.
void trickle(httplib::Response& response, const std::string& contentType);

// Paths of the certificates the build generated.
std::string certificatePath(const std::string& name);
// The PEM text of the build's test CA, which signed the servers' certificates.
std::string testCaCertificates();

} // namespace varno::test
