#pragma once

#include "foundation/Owned.h"
#include "net/Origin.h"

#include <curl/curl.h>

#include <string>

namespace varno {

// Addresses as libcurl parses them, for the transfers.
using ParsedUrl = Owned<CURLU, curl_url_cleanup>;
using CurlText = Owned<char, curl_free>;

// The address parsed; null when it is not one.
ParsedUrl parsed(const std::string& url, unsigned int flags = 0);

// A part of a parsed URL; empty when it has none.
std::string partOf(const ParsedUrl& url, CURLUPart part, unsigned int flags = 0);

// Where a URL leads, lower-cased, with the default port filled in; an empty scheme when unparsable.
Origin originOf(const std::string& url);

bool isHttpScheme(const std::string& url);

// An address as it may appear in a message: no user information, and the query masked, since the
// gateway's query carries the user's password.
std::string displayUrl(const std::string& url);

} // namespace varno
