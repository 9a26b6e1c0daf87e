#pragma once

#include "foundation/Owned.h"
#include "net/SystemRoots.h"

#include <openssl/x509.h>

#include <string>

namespace varno {

using TrustedStore = Owned<X509_STORE, X509_STORE_free>;

// A new store holding the system's trusted roots plus the PEM certificates of extraCaCertificates (null
// when OpenSSL has no memory for one). Loading the system's roots costs 20 to 30 ms: a store is meant to
// be built once and shared by every connection of the same trust.
TrustedStore newTrustedStore(const std::string& extraCaCertificates, const SystemRoots& system);

} // namespace varno
