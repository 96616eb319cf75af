#pragma once

// The archive behind the executable image: the marker that holds its offset, loading its root
// chunk from the program's own file, and turning the root's file records into files to write.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "container/DIFFChunks.h"
#include "installer/PathParts.h"
#include "platform/Platform.h"

namespace tolma {

// The 12 bytes "zxcv", offset field, "vbnm" as the running program reads them.
using ArchiveMarkerBytes = std::array<unsigned char, 12>;

// The marker's three parts, kept apart so that no source holds the twelve bytes in one piece:
// the installer's image must contain them exactly once.
inline constexpr std::string_view kMarkerStart = "zxcv";
inline constexpr std::string_view kMarkerNoArchive = "XXXX";
inline constexpr std::string_view kMarkerEnd = "vbnm";
inline constexpr size_t kMarkerFieldOffset = 4;

// The tags and entry names of the archive's content.
inline constexpr std::string_view kRootTag = "FILES";
inline constexpr std::string_view kFileRecordTag = "1FILE";
inline constexpr std::string_view kRelPathEntry = "RelPath";
inline constexpr std::string_view kFiletimeEntry = "Filetime";
inline constexpr std::string_view kContentEntry = "Content";

// The marker compiled into DriverInstall.exe, read from memory at run time (defined only in the
// installer program, so that it stands once in that image).
ArchiveMarkerBytes ReadArchiveMarker();

// The archive's file offset: 0 when the field is "XXXX" or negative.
int32_t DecodeArchiveMarker(const ArchiveMarkerBytes& marker);

struct TFileData {
  std::string FullPath;
  std::string Content;
  platform::FileTime FileTime;
  bool operator==(const TFileData&) const = default;
};
using TFileDatas = std::vector<TFileData>;

// The root chunk at archiveOffset in the program's own file, or null when no archive is attached
// (offset 0) or it cannot be loaded. EFileOpenError when the file cannot be opened.
std::unique_ptr<TDIFFChunk> LoadEmbeddedArchive(platform::FileSystem& files, int32_t archiveOffset);

// The root chunk at archiveOffset in an open installer file, or null when the offset is not
// positive or the chunk cannot be loaded. On success the stream stands just after the archive.
std::unique_ptr<TDIFFChunk> LoadArchiveAt(Stream& installer, int32_t archiveOffset);

// The fields of a valid file record, viewing the chunk's own entries.
struct FileRecordView {
  std::string_view RelPath;
  platform::FileTime FileTime;
  std::string_view Content;
};

// A child of the root read as a file record: its fields, or why the installer skips it.
struct FileRecordReading {
  std::optional<FileRecordView> Record;
  std::string SkipReason;  // empty when Record is set
};
FileRecordReading ReadFileRecord(const TDIFFChunk& child);

// Appends one record per valid "1FILE" child of root, behind what records holds.
void CollectFileRecords(TFileDatas& records, const TDIFFChunk& root,
                        const std::string& installRoot);

// The same records, taken out of a tree that is consumed on the way: each file's content moves
// into its record and each record chunk is freed once collected, so that the payload is never
// held twice.
void CollectFileRecords(TFileDatas& records, std::unique_ptr<TDIFFChunk> root,
                        const std::string& installRoot);

// Whether some valid file record of root has a path that may not be written under installRoot;
// such an archive is refused as a whole. Without the ANSI code page's lead-byte test every
// byte counts as a character of its own, which can only refuse more.
bool ArchiveHasUnsafeRecord(const TDIFFChunk& root, std::string_view installRoot,
                            const LeadByteTest& isLead = NoLeadBytes);

}  // namespace tolma
