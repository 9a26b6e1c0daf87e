#pragma once

#include "net/Deployment.h"
#include "tests/support/TestHttpsServer.h"

namespace varno::test {

inline const ApiAccount kTestApiAccount{"api@example.test", "Pw-123456789-ab", "0123456789abcdef0123456789abcdef"};

// Checks the headers every configurator API request carries, each exactly once: Basic credentials sent
// without a challenge, the issuer key, JSON accepted and sent.
void expectApiHeaders(const RecordedRequest& request, const ApiAccount& account = kTestApiAccount);

} // namespace varno::test
