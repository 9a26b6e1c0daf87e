#pragma once

#include "net/Endpoints.h"
#include "seams/Browser.h"
#include "seams/Clock.h"
#include "seams/UserMessages.h"

namespace varno {

// What a window reaches beyond its own values: the outside services' addresses and the three seams.
// Owned by the program's entry (or by a test); windows only borrow it.
struct Services {
    Endpoints endpoints;
    UserMessages& messages;
    Browser& browser;
    Clock& clock;
};

} // namespace varno
