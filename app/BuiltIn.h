#pragma once

#include "net/Deployment.h"

namespace varno {

// The deployment settings compiled into this build (CMake cache variables VARNO_*). Nothing at run
// time changes them.
Deployment builtInDeployment();

} // namespace varno
