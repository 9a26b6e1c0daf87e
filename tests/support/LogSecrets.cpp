#include "tests/support/LogSecrets.h"

#include "foundation/SecretMask.h"

#include <gtest/gtest.h>

namespace varno::test {

void expectNoSecretIn(const std::string& log, const std::vector<std::string>& secrets)
{
    for (const std::string& secret : secrets) {
        ASSERT_FALSE(secret.empty());
        SecretMask mask;
        mask.add(secret);
        EXPECT_FALSE(mask.finds(log)) << "the log holds " << secret << " in some spelling:\n" << log;
    }
}

} // namespace varno::test
