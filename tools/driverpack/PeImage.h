#pragma once

// What driverpack needs to know of a Windows executable: where its image ends in the file and
// where its certificate table lies. Every field is read with its bounds checked.

#include <cstdint>
#include <string_view>

namespace tolma::driverpack {

struct PeLayout {
  // The end of the headers or of the last section's raw data, whichever is later: what
  // follows it is not part of the image.
  uint64_t ImageEnd = 0;
  // The certificate-table data directory entry (index 4): a file offset and a size, both 0
  // for an unsigned file.
  uint32_t CertificateOffset = 0;
  uint32_t CertificateSize = 0;
};

// Raises ToolError saying why the bytes are not a Windows executable.
PeLayout ReadPeLayout(std::string_view file);

}  // namespace tolma::driverpack
