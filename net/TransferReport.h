#pragma once

#include "foundation/Error.h"
#include "net/ProxyPolicy.h"

#include <curl/curl.h>

#include <string>

namespace varno {

// What a transfer tells: its line in the diagnostic log, and the French message of its failure.

// How a transfer along the route ended, and the way it took.
struct Attempt {
    CURLcode result = CURLE_FAILED_INIT;
    std::string detail; // curl's own words
    ProxyAddress proxy;
    bool basicAllowed = false;   // Basic was offered to the proxy
    bool asLoggedOnUser = false; // without an account, the proxy was answered as the logged-on user (SSPI)
};

// One line per request in the diagnostic log: what was asked, what came back, or why it failed, and the
// way it took.
void logTransfer(CURL* curl, const std::string& method, const std::string& url, const Attempt& attempt,
                 const std::string& way);

// The failure of a request to `url`, naming it without its query.
VarnoError failureOf(const std::string& method, const std::string& url, const std::string& reason);

// Why a transfer failed, in French: the proxy's refusal, or the transport's reason with curl's words and
// what the proxy answered.
std::string failureReason(CURL* curl, const Attempt& attempt);

} // namespace varno
