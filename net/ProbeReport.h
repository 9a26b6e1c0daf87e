#pragma once

#include "net/Probe.h"
#include "net/TransferReport.h"

#include <curl/curl.h>
#include <openssl/x509.h>

namespace varno {

// What a probe records of the transfer it made (see ProbeFacts).

// The server's chain as the handshake's verification judged it: the protocol, the certificate, and the
// root that vouched for it.
void recordPeer(X509_STORE_CTX* context, bool trusted, ProbeFacts& facts);

// The step at which the transfer stopped, and why, in French; the address it reached.
void recordOutcome(CURL* curl, const Attempt& attempt, ProbeFacts& facts);

} // namespace varno
