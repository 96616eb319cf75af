#pragma once

// The one rule for the paths that an archive names: a record may only write a plain file
// below the install root. The installer refuses an archive that breaks it, and driverpack
// refuses to build, verify as good or extract such an archive.

#include <optional>
#include <string>
#include <string_view>

#include "installer/PathParts.h"

namespace tolma {

// The longest full path the installer writes: MAX_PATH less its terminating NUL.
inline constexpr size_t kMaxFullPathLength = 259;

// Why relPath may not be written below installRoot, or nullopt when it may. Unsafe are: an
// empty segment (leading, trailing or doubled "\"), a "." or ".." segment, "/" or ":"
// anywhere, a byte below 0x20 or one of < > " | ? *, a segment ending in "." or space, a
// segment that names a device (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, with or without an
// extension, in any letter case, and COM or LPT with a superscript 1, 2 or 3, which Windows
// also opens as devices), and installRoot + relPath longer than kMaxFullPathLength.
// The trail byte of a double-byte character is part of its character, never "\" or "|".
std::optional<std::string> UnsafeRelPathReason(std::string_view relPath,
                                               std::string_view installRoot,
                                               const LeadByteTest& isLead);

}  // namespace tolma
