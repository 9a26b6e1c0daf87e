#pragma once

#include "net/HttpTypes.h"
#include "net/Probe.h"

#include <functional>
#include <memory>

namespace varno {

// Thrown instead of the failure when a transfer ended because the options asked to abandon it (the
// application is quitting): there is nothing to tell, and nothing is written.
struct TransferAbandoned {};

// One HTTP client on libcurl and OpenSSL for every request of the program. Servers are trusted through
// the system's store (the Windows certificate store on Windows) plus the extra CAs of the options.
// Requests are synchronous; cookies are kept by the client between its requests; redirects are
// followed, and neither the credentials nor the origin headers ever go to another origin than the
// first request's. An answer outside 2xx (after redirects) or a transport failure throws VarnoError
// with a French message that names the address without its query.
class HttpClient {
public:
    explicit HttpClient(const HttpClientOptions& options = {});
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    HttpResponse send(const HttpRequest& request);

    // What a GET of `url` meets on its way, step by step; it sends nothing that changes anything.
    ProbeFacts probe(const std::string& url);

private:
    std::unique_ptr<class Transport> transport_;
    std::function<bool()> abandoned_;
};

// Loads the transport library (see net/Transport.h) on a worker thread, so that the first client
// finds it ready. A failure is told by that client.
void preloadHttpTransport();

// Throws VarnoError, with the French message that asks for a reinstallation, when the transport
// library is missing, does not load or comes from another build.
void requireHttpTransport();

} // namespace varno
