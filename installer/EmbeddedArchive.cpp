#include "installer/EmbeddedArchive.h"

#include <cstring>

#include "installer/Errors.h"
#include "installer/PathSafety.h"

namespace tolma {
namespace {

uint32_t LittleEndian32(const unsigned char* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8U |
         static_cast<uint32_t>(bytes[2]) << 16U | static_cast<uint32_t>(bytes[3]) << 24U;
}

// The data of the first entry of that name; empty when there is none.
std::string_view EntryData(const TDIFFChunk& chunk, std::string_view name) {
  const THeaderEntry* entry = chunk.FindHeader(name);
  return entry != nullptr ? std::string_view(entry->Data) : std::string_view();
}

}  // namespace

int32_t DecodeArchiveMarker(const ArchiveMarkerBytes& marker) {
  const unsigned char* field = marker.data() + kMarkerFieldOffset;
  if (std::memcmp(field, kMarkerNoArchive.data(), kMarkerNoArchive.size()) == 0) return 0;
  const uint32_t value = LittleEndian32(field);
  // Byte 7 at 0x80 or more makes the signed value negative: no archive.
  if (value > 0x7FFFFFFFU) return 0;
  return static_cast<int32_t>(value);
}

std::unique_ptr<TDIFFChunk> LoadArchiveAt(Stream& installer, int32_t archiveOffset) {
  if (archiveOffset <= 0) return nullptr;
  installer.SetPosition(archiveOffset);
  try {
    return TDIFFChunk::CreateFromStream(installer);
  } catch (...) {
    // Whatever went wrong, the installer has no archive to install.
    return nullptr;
  }
}

std::unique_ptr<TDIFFChunk> LoadEmbeddedArchive(platform::FileSystem& files,
                                                int32_t archiveOffset) {
  if (archiveOffset == 0) return nullptr;
  const std::string path = files.OwnModulePath();
  const std::unique_ptr<Stream> file = files.OpenForReading(path);
  if (!file) throw EFileOpenError(path);
  return LoadArchiveAt(*file, archiveOffset);
}

FileRecordReading ReadFileRecord(const TDIFFChunk& child) {
  if (child.Tag != kFileRecordTag) return {std::nullopt, "its tag is not 1FILE"};
  const std::string_view relPath = EntryData(child, kRelPathEntry);
  if (relPath.empty()) return {std::nullopt, "its RelPath is missing or empty"};
  const std::string_view filetime = EntryData(child, kFiletimeEntry);
  if (filetime.size() != 8) {
    return {std::nullopt,
            "its Filetime has " + std::to_string(filetime.size()) + " bytes instead of 8"};
  }
  const std::string_view content = EntryData(child, kContentEntry);
  if (content.empty()) return {std::nullopt, "its Content is missing or empty"};
  const auto* time = reinterpret_cast<const unsigned char*>(filetime.data());
  return {FileRecordView{relPath, {LittleEndian32(time), LittleEndian32(time + 4)}, content}, {}};
}

void CollectFileRecords(TFileDatas& records, const TDIFFChunk& root,
                        const std::string& installRoot) {
  for (const auto& child : root.Chunks) {
    const FileRecordReading reading = ReadFileRecord(*child);
    if (!reading.Record) continue;
    const FileRecordView& record = *reading.Record;
    records.push_back(TFileData{installRoot + std::string(record.RelPath),
                                std::string(record.Content), record.FileTime});
  }
}

void CollectFileRecords(TFileDatas& records, std::unique_ptr<TDIFFChunk> root,
                        const std::string& installRoot) {
  for (std::unique_ptr<TDIFFChunk>& child : root->Chunks) {
    const FileRecordReading reading = ReadFileRecord(*child);
    if (reading.Record) {
      TFileData data{
          installRoot + std::string(reading.Record->RelPath), {}, reading.Record->FileTime};
      // The first "Content" entry is the one the record was read from.
      for (THeaderEntry& entry : child->Headers) {
        if (entry.Name == kContentEntry) {
          data.Content = std::move(entry.Data);
          break;
        }
      }
      records.push_back(std::move(data));
    }
    child.reset();
  }
}

bool ArchiveHasUnsafeRecord(const TDIFFChunk& root, std::string_view installRoot,
                            const LeadByteTest& isLead) {
  for (const auto& child : root.Chunks) {
    const FileRecordReading reading = ReadFileRecord(*child);
    if (reading.Record && UnsafeRelPathReason(reading.Record->RelPath, installRoot, isLead)) {
      return true;
    }
  }
  return false;
}

}  // namespace tolma
