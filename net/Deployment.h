#pragma once

#include <string>

namespace varno {

// Where the outside services live and which CAs to trust besides the system's (PEM text, possibly
// empty).
struct Endpoints {
    std::string gatewayUrl;
    std::string apiUrl;
    std::string extraCaCertificates;
};

// The account with which every configurator API request authenticates.
struct ApiAccount {
    std::string userName;
    std::string password;
    std::string issuerKey;
};

// The settings of a deployment, which travel together: built in for the program (see the deployment
// settings in CMake); tests point the endpoints at their loopback servers.
struct Deployment {
    Endpoints endpoints;
    ApiAccount apiAccount;
};

} // namespace varno
