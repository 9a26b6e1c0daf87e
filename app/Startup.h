#pragma once

namespace varno {

// The process entry: checks the two arguments (temporary file, configuration file), runs the main
// window until it closes, and returns the exit status, which is 0 on every path.
int runModuleVarno(int argc, char** argv);

} // namespace varno
