#pragma once

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

// Adds the system's trusted roots to the store (one file per platform).
void addSystemRoots(X509_STORE* store, const SystemRoots& where);

// Whether the system vouches for a chain in which OpenSSL found no trusted root, for `host`: on Windows,
// whose store OpenSSL holds only a copy of, the system's own chain engine is asked; elsewhere the
// store OpenSSL read is the system's, and the answer is no.
bool systemVouchesFor(X509_STORE_CTX* context, const std::string& host);

} // namespace varno
