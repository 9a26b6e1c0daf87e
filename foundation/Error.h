#pragma once

#include <stdexcept>
#include <string>

namespace varno {

// The one error type of the program. Its message is French, UTF-8, and is shown to the user as is.
class VarnoError : public std::runtime_error {
public:
    explicit VarnoError(const std::string& message) : std::runtime_error(message) {}
};

// A part of the program's own folder that is missing or damaged: "<component> <fault>. Réinstallez le
// programme." The one way such a fault is told, whichever part it is.
inline std::string damagedInstallation(const std::string& component, const std::string& fault)
{
    return component + " " + fault + ". Réinstallez le programme.";
}

} // namespace varno
