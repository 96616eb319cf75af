#pragma once

// Finding the installer's archive marker in the bytes of its image.

#include <cstddef>
#include <string_view>
#include <vector>

#include "installer/EmbeddedArchive.h"

namespace tolma::driverpack {

// The positions of every "zxcv" that is followed, four bytes on, by "vbnm": the marker with
// any offset field, empty or filled.
std::vector<size_t> FindArchiveMarkers(std::string_view image);

// The 12 marker bytes at a position FindArchiveMarkers gave.
ArchiveMarkerBytes MarkerAt(std::string_view image, size_t position);

}  // namespace tolma::driverpack
