#pragma once

#include "net/ProxyPolicy.h"

#include <string>

namespace varno {

// Where the outside services live, which CAs to trust besides the system's (PEM text, possibly empty),
// and the way out to them (read at run time; direct unless IT sets a policy).
struct Endpoints {
    std::string gatewayUrl;
    std::string apiUrl;
    std::string extraCaCertificates;
    ProxyPolicy proxy{};
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
