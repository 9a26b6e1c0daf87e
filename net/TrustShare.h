#pragma once

#include "net/TrustStore.h"

#include <curl/curl.h>

#include <string>

namespace varno {

// What every connection of a trust setting shares, built once per process: the trusted store (the
// system's roots plus the extra CAs), and a share through which clients resume each other's TLS
// sessions and reuse name lookups; a handshake that reloaded the roots paid their cost again.
// Connections stay each client's own (a client reuses its own): one kept open after its client has gone
// would only hold the server.
struct Trust {
    TrustedStore store;
    CURLSH* share;
};

// The trust for these extra CAs (PEM text, maybe empty), built at the first call; lives as long as the
// process.
const Trust& trustFor(const std::string& extraCaCertificates);

} // namespace varno
