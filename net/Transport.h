#pragma once

#include "net/HttpTypes.h"
#include "net/Probe.h"

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

    // Looks at `url` step by step along the route its requests would take (see ProbeFacts).
    virtual void probe(const std::string& url, ProbeFacts& facts) noexcept = 0;
};

// The library exports these two entries and nothing else. The program loads it from its own
// folder only and calls varnoTransportAbi first: a library built from other sources, by another compiler or with other
// settings (its stamp differs from VARNO_TRANSPORT_ABI) is never called further.
#if defined(VARNO_TRANSPORT_BUILDING) && defined(_WIN32)
#define VARNO_TRANSPORT_EXPORT __declspec(dllexport)
#elif defined(VARNO_TRANSPORT_BUILDING)
#define VARNO_TRANSPORT_EXPORT __attribute__((visibility("default")))
#else
#define VARNO_TRANSPORT_EXPORT
#endif

// The interface's stamp this library was built with.
extern "C" VARNO_TRANSPORT_EXPORT const char* varnoTransportAbi();
using TransportAbi = const char* (*)();

// A new transport, or nullptr with the failure message.
extern "C" VARNO_TRANSPORT_EXPORT Transport* varnoCreateTransport(const HttpClientOptions* options,
                                                                  std::string* failure);
using CreateTransport = Transport* (*)(const HttpClientOptions*, std::string*);

// The transport's entry, loaded once: in the program, from the library in its own folder
// (TransportLoader.cpp); the tests and benchmarks, which run from folders of their own, link the
// transfer code in instead. Throws VarnoError, with the French message, when it cannot be had.
CreateTransport transportEntry();

} // namespace varno
