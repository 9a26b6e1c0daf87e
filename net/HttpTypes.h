#pragma once

#include "net/ProxyPolicy.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace varno {

// The values a request is made of, shared by the client and the transport library (their layout is
// part of the library's stamp).

// The settings a client keeps for its whole life.
struct HttpClientOptions {
    std::string userAgent = "Mozilla/3.0 (compatible; Indy Library)";
    std::string extraCaCertificates; // PEM text of CAs trusted besides the system's; may be empty
    std::chrono::seconds connectTimeout{30};
    std::chrono::seconds stallTimeout{60}; // a transfer that receives nothing this long is aborted
    // A server that drips a few bytes a second never stalls: each request also has a whole-time bound.
    // Ten minutes carry a large record (10 MB, a 24-megapixel picture) over a line as slow as
    // 0.15 Mbit/s, and the largest answer allowed below at about 2 Mbit/s.
    std::chrono::seconds totalTimeout{600};
    // An answer without end would take all memory. A record with a 24-megapixel JPEG is about 10 MB; a
    // PNG of that size, in Base64, stays far below this.
    std::size_t maxAnswerBytes = std::size_t{128} << 20;
    int maxRedirects = 10;
    ProxyPolicy proxy{}; // how requests leave the machine
    // Runs each transfer, which blocks until the answer is in. Empty: in place. A window hands one that
    // keeps its event loop turning meanwhile.
    std::function<void(const std::function<void()>& transfer)> runTransfer;
    // Polled during each transfer (about once a second at least): true ends it at once. The windows'
    // transfers are abandoned so when the application is asked to quit, or their window to close.
    std::function<bool()> abandoned;
};

struct HttpHeader {
    std::string name{};
    std::string value{};
};

struct BasicCredentials {
    std::string user{};
    std::string password{};
};

// One request, whole.
struct HttpRequest {
    std::string method = "GET"; // GET or POST
    std::string url{};
    std::vector<HttpHeader> headers{}; // sent wherever redirects lead (Accept, Content-Type)
    // Sent only to the first address's origin, as the credentials are.
    std::vector<HttpHeader> originHeaders{};
    // Sent with the first request, without waiting for a challenge.
    std::optional<BasicCredentials> credentials{};
    std::string body{}; // POST only
};

// What came back, after redirects: a 2xx status, the declared content type and the body's bytes as they
// came (see decodeBody).
struct HttpResponse {
    int status = 0;
    std::string contentType{};
    std::string body{};
};

} // namespace varno
