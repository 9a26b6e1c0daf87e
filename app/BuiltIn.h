#pragma once

#include "net/Deployment.h"

namespace varno {

// The deployment settings compiled into this build (CMake cache variables VARNO_*). Nothing at run
// time changes them.
Deployment builtInDeployment();

// The deployment profile this build was made for ("sandbox" or "production").
const char* builtInProfile();

} // namespace varno
