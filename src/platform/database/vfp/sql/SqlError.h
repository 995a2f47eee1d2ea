#pragma once

#include <string>

namespace vfp::sql {

// Throws the engine's error for a statement: `near "<shown>": <message> at <position>`, the
// position (1-based, 0 = none) also kept in the error.
[[noreturn]] void ThrowAt(int position, const std::string &shown, const std::string &message);

} // namespace vfp::sql
