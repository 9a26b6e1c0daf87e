#pragma once

#include <functional>

class QWidget;

namespace varno {

// Runs action once, as soon as the event loop is free after the window was first shown: the
// window's first activation. Later activations (a message box closing, a return from the browser)
// do not run it again.
void callOnFirstActivation(QWidget* window, std::function<void()> action);

} // namespace varno
