#pragma once

// The files of a folder as driverpack packs them: every file below it, with its archive path,
// in the byte order of those paths, or the reasons why the folder cannot be packed.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace tolma::driverpack {

struct FileToPack {
  std::string HostPath;
  std::string RelPath;  // Windows-1252, "\" between the names
  uint64_t Size = 0;
  platform::FileTime LastWrite;
};

struct PackingRefusal {
  std::string HostPath;
  std::string Reason;
};

struct PackingFolder {
  std::vector<FileToPack> Files;         // in the byte order of RelPath
  std::vector<PackingRefusal> Refusals;  // in the order of HostPath; none when it can be packed
};

PackingFolder CollectPackingFolder(const std::string& folder);

}  // namespace tolma::driverpack
