#include "tools/driverpack/PeImage.h"

#include <algorithm>
#include <string>

#include "tools/driverpack/ToolError.h"

namespace tolma::driverpack {
namespace {

constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kCertificateDirectory = 4;
constexpr uint64_t kSectionHeaderSize = 40;

[[noreturn]] void NotAnExecutable(const std::string& why) {
  throw ToolError("not a Windows executable: " + why);
}

// Little-endian fields, each refused when it does not lie wholly inside the file.
class Fields {
 public:
  explicit Fields(std::string_view file) : file_(file) {}

  [[nodiscard]] uint32_t U16(uint64_t offset, const char* what) const {
    return Read(offset, 2, what);
  }
  [[nodiscard]] uint32_t U32(uint64_t offset, const char* what) const {
    return Read(offset, 4, what);
  }

 private:
  [[nodiscard]] uint32_t Read(uint64_t offset, unsigned size, const char* what) const {
    if (offset > file_.size() || file_.size() - offset < size) {
      NotAnExecutable(std::string("the file ends before its ") + what);
    }
    uint32_t value = 0;
    for (unsigned i = size; i-- > 0;) {
      value = value << 8U | static_cast<unsigned char>(file_[offset + i]);
    }
    return value;
  }

  std::string_view file_;
};

}  // namespace

PeLayout ReadPeLayout(std::string_view file) {
  const Fields fields(file);
  if (fields.U16(0, "DOS header") != 0x5A4D) NotAnExecutable("no MZ signature");
  const uint64_t pe = fields.U32(0x3C, "DOS header");
  if (fields.U32(pe, "PE signature") != 0x00004550) NotAnExecutable("no PE signature");

  const uint64_t coff = pe + 4;
  const uint32_t sectionCount = fields.U16(coff + 2, "file header");
  const uint32_t optionalSize = fields.U16(coff + 16, "file header");
  const uint64_t optional = coff + 20;
  if (sectionCount == 0) NotAnExecutable("no sections");

  const uint32_t magic = fields.U16(optional, "optional header");
  uint64_t directoryCountAt = 0;
  if (magic == kPe32Magic) {
    directoryCountAt = 92;
  } else if (magic == kPe32PlusMagic) {
    directoryCountAt = 108;
  } else {
    NotAnExecutable("unknown optional header");
  }
  if (optionalSize < directoryCountAt + 4) NotAnExecutable("optional header too short");

  PeLayout layout;
  const uint64_t headersSize = fields.U32(optional + 60, "optional header");
  const uint32_t directoryCount = fields.U32(optional + directoryCountAt, "optional header");
  const uint64_t certificateEntry = directoryCountAt + 4 + 8 * uint64_t{kCertificateDirectory};
  if (directoryCount > kCertificateDirectory && optionalSize >= certificateEntry + 8) {
    layout.CertificateOffset = fields.U32(optional + certificateEntry, "data directories");
    layout.CertificateSize = fields.U32(optional + certificateEntry + 4, "data directories");
  }

  const uint64_t sections = optional + optionalSize;
  uint64_t imageEnd = headersSize;
  for (uint32_t i = 0; i < sectionCount; ++i) {
    const uint64_t header = sections + i * kSectionHeaderSize;
    const uint64_t rawSize = fields.U32(header + 16, "section table");
    const uint64_t rawOffset = fields.U32(header + 20, "section table");
    if (rawSize != 0) imageEnd = std::max(imageEnd, rawOffset + rawSize);
  }
  if (imageEnd > file.size()) {
    NotAnExecutable("its sections end at " + std::to_string(imageEnd) + ", beyond its " +
                    std::to_string(file.size()) + " bytes");
  }
  layout.ImageEnd = imageEnd;
  return layout;
}

}  // namespace tolma::driverpack
