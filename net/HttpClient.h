#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace varno {

// The settings a client keeps for its whole life.
struct HttpClientOptions {
    std::string accept;
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
};

// One HTTP client on libcurl and OpenSSL for every request of the program. Servers are trusted through
// the system's store (the Windows certificate store on Windows) plus the extra CAs of the options. Requests are
// synchronous; cookies are kept by the client between its requests; redirects are followed, and neither the Basic
// credentials nor the custom headers ever go to another origin than the first request's. An answer outside 2xx (after
// redirects) or a transport failure throws VarnoError with a French message that names the address without its query. A
// 2xx other than 200 is handed back like 200.
class HttpClient {
public:
    explicit HttpClient(HttpClientOptions options);
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Basic credentials, sent with the first request without waiting for a challenge.
    void setBasicAuthentication(std::string user, std::string password);
    void clearCustomHeaders();
    void addCustomHeader(std::string name, std::string value);
    void setContentType(std::string contentType);

    // Both return the body decoded to UTF-8 by the charset the response declares.
    std::string get(const std::string& url);
    std::string post(const std::string& url, const std::string& body);

    // Status of the last response (0 before any).
    int responseCode() const { return responseCode_; }

private:
    struct Transfer;
    std::string perform(const std::string& url, const std::string* body);

    HttpClientOptions options_;
    std::string user_;
    std::string password_;
    bool basicAuthentication_ = false;
    std::vector<std::pair<std::string, std::string>> customHeaders_;
    std::string contentType_;
    int responseCode_ = 0;
    void* curl_ = nullptr;
};

// An address as it may appear in a message: no user information, and the query masked, since the
// gateway's query carries the user's password.
std::string displayUrl(const std::string& url);

// Decodes a response body to UTF-8 according to the Content-Type header's charset. Without a charset,
// valid UTF-8 is kept and anything else is read as Windows-1252.
std::string decodeBody(const std::string& body, const std::string& contentType);

} // namespace varno
