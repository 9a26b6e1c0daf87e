#pragma once

#include <openssl/ssl.h>

#include <chrono>
#include <string>
#include <string_view>

namespace varno::test {

// A TLS connection to a loopback port that sends and reads bytes exactly as given, for requests no
// HTTP client would send (a body announced but never sent, a head that never ends). The server's
// certificate is not checked.
class RawTlsConnection {
public:
    explicit RawTlsConnection(int port);
    ~RawTlsConnection();
    RawTlsConnection(const RawTlsConnection&) = delete;
    RawTlsConnection& operator=(const RawTlsConnection&) = delete;

    // Whether the TLS handshake succeeded (a server refusing the connection ends it).
    bool send(std::string_view bytes);
    // What arrives until the server closes the connection or the time runs out.
    std::string receive(std::chrono::milliseconds atMost);
    // Whether the server closed the connection (rather than the time running out) within atMost.
    bool closedByServerWithin(std::chrono::milliseconds atMost);

private:
    SSL_CTX* context_ = nullptr;
    SSL* ssl_ = nullptr;
    int socket_ = -1;
    bool open_ = false;
    bool closed_ = false;
};

} // namespace varno::test
