#pragma once

#include "Endpoints.h"
#include "HttpClient.h"

#include <string>

namespace varno {

// The account with which every configurator API request authenticates.
struct ApiAccount {
    std::string userName;
    std::string password;
    std::string issuerKey;
};

inline constexpr const char* kApiAccept = "application/json";
inline constexpr const char* kApiContentType = "application/json; charset=utf-8";
inline constexpr const char* kIssuerHeader = "Zedir-Issuer";

// Options of a client that talks to the configurator API.
HttpClientOptions apiClientOptions(const Endpoints& endpoints);

// The settings applied before each API request: Basic credentials, the header list cleared and then
// exactly one issuer header, and the JSON content type.
void applyApiRequestSettings(HttpClient& client, const ApiAccount& account);

} // namespace varno
