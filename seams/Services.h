#pragma once

#include "net/Deployment.h"
#include "seams/Browser.h"
#include "seams/Clock.h"
#include "seams/UserMessages.h"

#include <chrono>

namespace varno {

// How long the windows wait before they act. The host's protocol sets these; tests shorten them.
struct Pacing {
    std::chrono::milliseconds dispatchTick{500};   // the main window's tick that opens the workflow
    std::chrono::milliseconds workflowStart{1000}; // from showing a progress window to its workflow
};

// What a window reaches beyond its own values: the deployment settings, the three seams and the
// pacing. Owned by the program's entry (or by a test); windows only borrow it.
struct Services {
    Deployment deployment;
    UserMessages& messages;
    Browser& browser;
    Clock& clock;
    Pacing pacing{};
};

} // namespace varno
