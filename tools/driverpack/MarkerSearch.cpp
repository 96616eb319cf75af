#include "tools/driverpack/MarkerSearch.h"

#include <algorithm>

namespace tolma::driverpack {

std::vector<size_t> FindArchiveMarkers(std::string_view image) {
  constexpr size_t kLength = std::tuple_size_v<ArchiveMarkerBytes>;
  std::vector<size_t> positions;
  for (size_t at = image.find(kMarkerStart); at != std::string_view::npos;
       at = image.find(kMarkerStart, at + 1)) {
    if (image.size() - at >= kLength &&
        image.substr(at + kMarkerFieldOffset + 4, kMarkerEnd.size()) == kMarkerEnd) {
      positions.push_back(at);
    }
  }
  return positions;
}

ArchiveMarkerBytes MarkerAt(std::string_view image, size_t position) {
  ArchiveMarkerBytes marker{};
  const std::string_view bytes = image.substr(position, marker.size());
  std::copy(bytes.begin(), bytes.end(), marker.begin());
  return marker;
}

}  // namespace tolma::driverpack
