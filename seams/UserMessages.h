#pragma once

#include <string>

namespace varno {

// Modal messages to the user. The program shows message boxes; tests record the texts.
class UserMessages {
public:
    virtual ~UserMessages() = default;
    // A plain message with an OK button; returns when the user has dismissed it.
    virtual void showMessage(const std::string& text) = 0;
    // An error, shown with a stop icon; returns when the user has dismissed it.
    virtual void showError(const std::string& text) = 0;
};

} // namespace varno
