#pragma once

namespace varno {

// The program's own version, compared with the version the host expects.
inline constexpr const char* kBuiltInVersion = "1";

} // namespace varno
