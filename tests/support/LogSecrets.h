#pragma once

#include <string>
#include <vector>

namespace varno::test {

// Fails the test for each secret found in a diagnostic log in any spelling that could reach it, as the
// log's own mask finds them (SecretMask, whose spellings its own test proves). A Basic pair is given as
// "user:password".
void expectNoSecretIn(const std::string& log, const std::vector<std::string>& secrets);

} // namespace varno::test
