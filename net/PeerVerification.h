#pragma once

#include <openssl/x509.h>

namespace varno {

// OpenSSL's verification of a server's chain (a TLS context's certificate verification callback), with
// Windows as a second opinion when OpenSSL finds no trusted root: Windows ships few roots and fetches the
// others when its own chain engine first needs them, so the copy of its store that OpenSSL holds can lack
// the root of a valid certificate. Windows is asked with the chain the server presented, under its SSL
// policy for `expectedHost` (a const std::string*, the host the address names), then OpenSSL checks the
// chain again up to the root Windows found: only what both accept passes. curl checks the host name
// afterwards, as ever. Elsewhere than on Windows, OpenSSL's verdict alone.
int verifyPeerChain(X509_STORE_CTX* context, void* expectedHost);

} // namespace varno
