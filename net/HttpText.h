#pragma once

#include "net/HttpTypes.h"

#include <string>

namespace varno {

// Decodes a response body to UTF-8 according to the Content-Type header's charset. Without a charset,
// valid UTF-8 is kept and anything else is read as Windows-1252. Throws VarnoError for a charset it
// cannot read.
std::string decodeBody(const std::string& body, const std::string& contentType);
// The response's body decoded by its declared charset.
std::string bodyText(const HttpResponse& response);

// Header text helpers: ASCII lower case, and the text without surrounding blanks (space, tab, CR, LF).
std::string lowerAscii(std::string text);
std::string trimBlanks(const std::string& text);

} // namespace varno
