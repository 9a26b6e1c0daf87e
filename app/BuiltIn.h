#pragma once

#include "foundation/Version.h"
#include "net/ConfiguratorApi.h"
#include "net/Endpoints.h"

namespace varno {

// The deployment settings compiled into this build (CMake cache variables VARNO_*). Nothing at run
// time changes them.
Endpoints builtInEndpoints();
ApiAccount builtInApiAccount();

} // namespace varno
