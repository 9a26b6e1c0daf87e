#pragma once

#include "net/HttpClient.h"

#include <optional>
#include <string>

namespace varno {

// The transfers themselves, on libcurl and OpenSSL, live in a library of their own (varno_transport)
// that HttpClient loads at the first client it makes: the program starts, and shows its main window,
// without curl and the thirty libraries curl brings. Nothing thrown crosses the library's edge.
class Transport {
public:
    virtual ~Transport() = default;

    // The response; or nothing, with the French failure message in failure.
    virtual std::optional<HttpResponse> send(const HttpRequest& request, std::string& failure) noexcept = 0;
};

// The library's entry: a new transport, or nullptr with the failure message.
extern "C" Transport* varnoCreateTransport(const HttpClientOptions* options, std::string* failure);
using CreateTransport = Transport* (*)(const HttpClientOptions*, std::string*);

// An address as it may appear in a message: no user information, and the query masked, since the
// gateway's query carries the user's password.
std::string displayUrl(const std::string& url);

} // namespace varno
