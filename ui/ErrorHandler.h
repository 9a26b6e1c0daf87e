#pragma once

#include "seams/UserMessages.h"

#include <functional>
#include <string>

namespace varno {

// The text of the exception being handled (empty when it carries none). Call only inside a catch.
std::string currentExceptionText();

// The program's default error handler: runs an event handler's body and shows any error that escapes
// it in a box with a stop icon. Errors never cross Qt's event loop; the loop then goes on.
void runGuarded(UserMessages& messages, const std::function<void()>& body);

} // namespace varno
