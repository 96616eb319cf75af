#pragma once

// The archive behind the executable image: the marker that holds its offset, loading its root
// chunk from the program's own file, and turning the root's file records into files to write.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "container/DIFFChunks.h"
#include "platform/Platform.h"

namespace tolma {

// The 12 bytes "zxcv", offset field, "vbnm" as the running program reads them.
using ArchiveMarkerBytes = std::array<unsigned char, 12>;

// The marker compiled into DriverInstall.exe, read from memory at run time (defined only in the
// installer program, so that it stands once in that image).
ArchiveMarkerBytes ReadArchiveMarker();

// The archive's file offset: 0 when the field is "XXXX" or negative.
int32_t DecodeArchiveMarker(const ArchiveMarkerBytes& marker);

struct TFileData {
  std::string FullPath;
  std::string Content;
  platform::FileTime FileTime;
};
using TFileDatas = std::vector<TFileData>;

// The root chunk at archiveOffset in the program's own file, or null when no archive is attached
// (offset 0) or it cannot be loaded. EFileOpenError when the file cannot be opened.
std::unique_ptr<TDIFFChunk> LoadEmbeddedArchive(platform::FileSystem& files, int32_t archiveOffset);

// Appends one record per valid "1FILE" child of root, behind what records holds.
void CollectFileRecords(TFileDatas& records, const TDIFFChunk& root,
                        const std::string& installRoot);

// Whether some valid file record of root has a path that may not be written under installRoot;
// such an archive is refused as a whole.
bool ArchiveHasUnsafeRecord(const TDIFFChunk& root, std::string_view installRoot);

}  // namespace tolma
