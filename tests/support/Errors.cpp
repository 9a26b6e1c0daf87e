#include "tests/support/Errors.h"

#include "foundation/Error.h"

#include <gtest/gtest.h>

namespace varno::test {

std::string varnoErrorOf(const std::function<void()>& run)
{
    try {
        run();
    } catch (const VarnoError& error) {
        return error.what();
    }
    ADD_FAILURE() << "no VarnoError was thrown";
    return {};
}

} // namespace varno::test
