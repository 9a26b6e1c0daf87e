#pragma once

#include <string>
#include <vector>

namespace varno::test {

// Fails the test for each secret found in a diagnostic log in any spelling that could reach it: as is,
// percent-encoded (either case, space as %20 or +), in Base64 (standard or URL-safe). A Basic pair is
// given as "user:password".
void expectNoSecretIn(const std::string& log, const std::vector<std::string>& secrets);

} // namespace varno::test
