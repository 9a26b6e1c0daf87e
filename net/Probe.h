#pragma once

#include <cstdint>
#include <string>

namespace varno {

// What one look at an address found, step by step, as the transport saw it: the material of the
// connection check. The look is a GET without credentials, cookies or body, on a connection of its own.
struct ProbeFacts {
    // The steps a request takes, in order; failedAt is the first that failed, or None.
    enum class Step { Route, Resolution, Connection, Tls, Http, None };
    Step failedAt = Step::Route;
    std::string failure; // in French, for the step that failed

    std::string route; // "direct" or "via http://host:port", and why (the policy, the system's answer)
    bool throughProxy = false;
    std::string resolvedName; // the name looked up: the proxy's, or the server's
    std::string address;      // the address connected to ("10.0.0.5"), empty when none was
    long port = 0;

    std::string protocol; // "TLSv1.3"
    std::string subject;  // the server's certificate
    std::string issuer;
    std::string notAfter;  // "2027-03-01"
    std::string trustedBy; // the root that vouched for it, or the system that did

    long status = 0;
    std::string reasonPhrase;
    std::string date;             // the answer's Date header, as sent
    std::int64_t serverTime = -1; // that date in seconds since 1970, -1 when absent or unreadable
};

} // namespace varno
