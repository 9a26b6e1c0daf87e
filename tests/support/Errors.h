#pragma once

#include <functional>
#include <string>

namespace varno::test {

// The message of the VarnoError that run throws, for the test to compare with the French text it
// expects. When run throws none, the test fails and the message is empty.
std::string varnoErrorOf(const std::function<void()>& run);

} // namespace varno::test
