#include "tools/driverpack/InstallerFile.h"

#include <algorithm>
#include <cstring>

#include "container/Stream.h"
#include "installer/EmbeddedArchive.h"
#include "installer/PathParts.h"
#include "tools/driverpack/HostFiles.h"
#include "tools/driverpack/MarkerSearch.h"
#include "tools/driverpack/ToolError.h"

namespace tolma::driverpack {
namespace {

// A read-only stream over bytes held elsewhere, so that a large installer is not copied to be
// loaded.
class ByteView final : public Stream {
 public:
  explicit ByteView(std::string_view bytes) : bytes_(bytes) {}
  [[nodiscard]] int32_t Size() const override { return static_cast<int32_t>(bytes_.size()); }
  [[nodiscard]] int32_t Position() const override { return position_; }
  void SetPosition(int32_t position) override { position_ = position; }
  int32_t Read(void* buffer, int32_t count) override {
    if (count <= 0 || position_ < 0 || position_ >= Size()) return 0;
    const int32_t moved = std::min(count, Size() - position_);
    std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(moved));
    position_ += moved;
    return moved;
  }
  int32_t Write(const void* /*buffer*/, int32_t /*count*/) override { return 0; }

 private:
  std::string_view bytes_;
  int32_t position_ = 0;
};

// Why the archive at offset does not load: the container's own message.
std::string LoadFailure(std::string_view bytes, int32_t offset) {
  try {
    (void)TDIFFChunk::CreateFromString(bytes.substr(std::min<size_t>(offset, bytes.size())));
  } catch (const std::exception& error) {
    return error.what();
  }
  return "it does not load";
}

}  // namespace

InstallerFile OpenInstaller(const std::string& path) {
  InstallerFile installer;
  installer.Bytes = host::ReadFile(path, kMaxInstallerSize);
  const std::string_view bytes = installer.Bytes;
  try {
    installer.Layout = ReadPeLayout(bytes);
  } catch (const ToolError& error) {
    throw ToolError(path + ": " + error.Message());
  }
  const std::vector<size_t> markers =
      FindArchiveMarkers(bytes.substr(0, installer.Layout.ImageEnd));
  if (markers.size() != 1) {
    throw ToolError(path + ": its image holds " + std::to_string(markers.size()) +
                    " archive markers instead of one; it is no installer made by this project");
  }
  installer.MarkerPosition = markers.front();
  const ArchiveMarkerBytes marker = MarkerAt(bytes, installer.MarkerPosition);
  installer.ArchiveOffset = DecodeArchiveMarker(marker);
  if (installer.ArchiveOffset == 0) {
    throw ToolError(path + ": no archive is attached (the marker holds no offset)");
  }

  // The file is at most kMaxInstallerSize bytes, so its size is a stream size.
  ByteView stream(bytes);
  installer.Root = LoadArchiveAt(stream, installer.ArchiveOffset);
  if (!installer.Root) {
    throw ToolError(path + ": the archive at offset " + std::to_string(installer.ArchiveOffset) +
                    " does not load, so the installer would show \"Failed to load archive.\": " +
                    LoadFailure(bytes, installer.ArchiveOffset));
  }
  installer.ArchiveEnd = static_cast<uint64_t>(stream.Position());
  return installer;
}

bool IsInfPath(std::string_view relPath) {
  return UpperAscii(ExtractFileExt(relPath, NoLeadBytes)) == ".INF";
}

}  // namespace tolma::driverpack
