#pragma once

// Byte strings on their way into the ANSI entry points, which read them up to the first NUL.

#include <string>

namespace tolma::win32 {

// A name that holds a NUL would reach Windows cut short, naming another file, key or value:
// such a name is refused before any call.
inline bool PassesWhole(const std::string& name) { return name.find('\0') == std::string::npos; }

}  // namespace tolma::win32
