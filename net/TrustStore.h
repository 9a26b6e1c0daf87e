#pragma once

#include "foundation/Owned.h"

#include <openssl/x509.h>

#include <string>

namespace varno {

// Where the system's trusted roots are kept outside Windows (whose own store is read instead): a folder
// of hashed certificates, read lazily (only the roots a server's chain names), or else a bundle, read
// whole. Either may be null.
struct SystemRoots {
    const char* folder = nullptr;
    const char* bundle = nullptr;
};

using TrustedStore = Owned<X509_STORE, X509_STORE_free>;

// A new store holding the system's trusted roots plus the PEM certificates of extraCaCertificates (null
// when OpenSSL has no memory for one). Loading the system's roots costs 20 to 30 ms: a store is meant to
// be built once and shared by every connection of the same trust.
TrustedStore newTrustedStore(const std::string& extraCaCertificates, const SystemRoots& system);

} // namespace varno
