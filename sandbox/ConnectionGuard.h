#pragma once

#include <httplib.h>

#include <openssl/ssl.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace varno::sandbox {

// Keeps slow or numerous clients from taking the sandbox from everyone else.
// - At most maxConnections connections are served at once; one more is closed as its TLS handshake
//   starts, instead of waiting in a queue.
// - Each request must arrive whole and be answered within the deadline, counted from when its
//   connection starts waiting for it (the handshake, or the previous answer); a connection that
//   overruns, such as one trickling its request head a byte at a time, is shut down.
class ConnectionGuard {
public:
    ConnectionGuard(int maxConnections, std::chrono::milliseconds deadline);
    ~ConnectionGuard();
    ConnectionGuard(const ConnectionGuard&) = delete;
    ConnectionGuard& operator=(const ConnectionGuard&) = delete;

    // Gives the server its workers (one per allowed connection) and follows its TLS connections.
    void install(httplib::SSLServer& server);

    // On the thread serving a request, once its answer is written: the next request's time starts.
    void answered();
    // On the thread serving a request: its connection ends once the answer is written (a body
    // refused unread must not be read as the next request).
    void closeAfterAnswer();

private:
    friend class GuardedWorkers;
    struct Connection {
        int socket = -1;
        std::chrono::steady_clock::time_point deadline;
        bool closeAfterAnswer = false;
        bool shutDown = false;
    };
    static void onTlsEvent(const SSL* ssl, int where, int ret);
    static void onTlsFree(void* parent, void* pointer, CRYPTO_EX_DATA* data, int index, long argl, void* argp);
    void started(SSL* ssl);
    void forget(const SSL* ssl);
    void watch();
    static void shutDown(Connection& connection);

    const int maxConnections_;
    const std::chrono::milliseconds deadline_;
    std::atomic<int> accepted_{0}; // handed to the workers and not yet finished
    std::mutex mutex_;
    std::map<const SSL*, Connection> connections_;
    std::condition_variable stop_;
    bool stopping_ = false;
    std::thread watchdog_;
};

} // namespace varno::sandbox
