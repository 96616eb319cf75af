#pragma once

// An installer as list, verify and extract read it: its image, its one marker and the archive
// that the marker points to, loaded the way the installer loads it.

#include <cstdint>
#include <memory>
#include <string>

#include "container/DIFFChunks.h"
#include "tools/driverpack/PeImage.h"

namespace tolma::driverpack {

// The largest file the installer can read: its offsets and sizes are signed 32-bit numbers.
inline constexpr uint64_t kMaxInstallerSize = 0x7FFFFFFF;

struct InstallerFile {
  std::string Bytes;
  PeLayout Layout;
  size_t MarkerPosition = 0;
  int32_t ArchiveOffset = 0;
  std::unique_ptr<TDIFFChunk> Root;
  uint64_t ArchiveEnd = 0;  // the first byte after the archive
};

// Raises ToolError when the file is no executable, has no marker or more than one in its
// image, carries no archive, or the archive does not load.
InstallerFile OpenInstaller(const std::string& path);

// Whether the relative path names an INF file, as the installer tells them.
bool IsInfPath(std::string_view relPath);

}  // namespace tolma::driverpack
