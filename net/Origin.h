#pragma once

#include <string>

namespace varno {

// Where an address leads: scheme, host and port, as the same-origin rule and the proxy route compare them.
struct Origin {
    std::string scheme; // lower case; empty when the address did not parse
    std::string host;   // lower case, an IPv6 address in brackets
    int port = 0;       // the scheme's default filled in

    bool operator==(const Origin&) const = default;
    std::string text() const { return scheme + "://" + host + ":" + std::to_string(port); }
};

} // namespace varno
