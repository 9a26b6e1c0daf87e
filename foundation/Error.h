#pragma once

#include <stdexcept>
#include <string>

namespace varno {

// The one error type of the program. Its message is French, UTF-8, and is shown to the user as is.
class VarnoError : public std::runtime_error {
public:
    explicit VarnoError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace varno
