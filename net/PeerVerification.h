#pragma once

#include <openssl/x509.h>

namespace varno {

// OpenSSL's verification of a server's chain (a TLS context's certificate verification callback) for
// `expectedHost` (a const std::string*, the host the address names), matched against the leaf's
// subjectAltName only, never its common name. On Windows, a second opinion where OpenSSL finds no trusted
// root: Windows ships few roots and fetches the others when its own chain engine first needs them, so the
// copy of its store that OpenSSL holds can lack the root of a valid certificate. Windows is asked with the
// chain the server presented, under its SSL policy for that host, then OpenSSL checks the chain again up
// to the root Windows found, the host included: only what both accept passes.
int verifyPeerChain(X509_STORE_CTX* context, void* expectedHost);

} // namespace varno
