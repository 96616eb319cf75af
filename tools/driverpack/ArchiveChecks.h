#pragma once

// What keeps an installer from writing every file of its archive under the install root.

#include <string>
#include <string_view>
#include <vector>

#include "container/DIFFChunks.h"

namespace tolma::driverpack {

// The install root that paths are measured against: where the 32-bit installer writes on
// 64-bit Windows, the longer of its usual two.
inline constexpr std::string_view kReferenceInstallRoot =
    "C:\\Program Files (x86)\\TOLMA\\Common Drivers\\";

// One sentence per problem, empty when the installer would write every file: children it
// skips, paths it may not write (which make it refuse the whole archive), paths that Windows
// takes for one file, and an archive without records.
std::vector<std::string> RecordProblems(const TDIFFChunk& root);

}  // namespace tolma::driverpack
