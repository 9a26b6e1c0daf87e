#pragma once

#include <string>

namespace varno {

// Where the outside services live and which CAs to trust besides the system's (PEM text, possibly
// empty). Built in for the program (see the deployment settings); tests point them at their loopback
// servers.
struct Endpoints {
    std::string gatewayUrl;
    std::string apiUrl;
    std::string extraCaCertificates;
};

} // namespace varno
