#pragma once

#include "net/Deployment.h"
#include "net/HttpClient.h"

#include <string>

namespace varno {

// How the program's requests are made: one home for the conventions of each kind.

inline constexpr const char* kWebAccept = "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
inline constexpr const char* kApiAccept = "application/json";
inline constexpr const char* kApiContentType = "application/json; charset=utf-8";
inline constexpr const char* kIssuerHeader = "Zedir-Issuer";

// A client that trusts the deployment's extra CAs besides the system's.
HttpClientOptions clientOptions(const Endpoints& endpoints);

// A GET of a page of the gateway or the configurator site, accepting what a browser accepts.
HttpRequest webPageRequest(std::string url);

// A configurator API request: Basic credentials, exactly one issuer header, JSON accepted and sent.
HttpRequest apiRequest(std::string method, std::string url, const ApiAccount& account, std::string body = {});

} // namespace varno
