#pragma once

namespace varno {

// The connection check's entry. Without arguments, its window; with "/rapport <file>", the report written
// to that file (UTF-8) without a window, and the exit status 0 when every step passed, 1 otherwise.
int runConnectionCheck(int argc, char** argv);

} // namespace varno
