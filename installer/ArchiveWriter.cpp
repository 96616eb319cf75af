#include "installer/ArchiveWriter.h"

#include "installer/EmbeddedArchive.h"

namespace tolma {
namespace {

// A header entry's bytes: two length fields, then name and data.
uint64_t EntrySize(uint64_t nameLength, uint64_t dataLength) { return 8 + nameLength + dataLength; }

}  // namespace

std::unique_ptr<TDIFFChunk> MakeFileRecord(std::string relPath, platform::FileTime fileTime,
                                           std::string content) {
  auto record = std::make_unique<TDIFFChunk>();
  record->Tag = kFileRecordTag;
  record->AddHeader(std::string(kRelPathEntry), std::move(relPath));
  record->AddHeader(std::string(kFiletimeEntry),
                    PackLongWord(fileTime.Low) + PackLongWord(fileTime.High));
  record->AddHeader(std::string(kContentEntry), std::move(content));
  return record;
}

uint64_t FileRecordSize(uint64_t relPathLength, uint64_t contentLength) {
  // Chunk head (8), header block size and entry count (8), the three entries.
  return 16 + EntrySize(kRelPathEntry.size(), relPathLength) + EntrySize(kFiletimeEntry.size(), 8) +
         EntrySize(kContentEntry.size(), contentLength);
}

uint64_t ArchiveSize(uint64_t recordsSize) { return 16 + recordsSize; }

std::string ArchiveHead(uint32_t recordCount, uint64_t recordsSize) {
  if (recordsSize > kMaxRecordsSize) {
    throw Exception("The archive would hold " + std::to_string(recordsSize) +
                    " bytes of records, more than its format can carry.");
  }
  const auto chunkListSize = static_cast<uint32_t>(4 + recordsSize);
  return PackLongWord(PackTag(kRootTag, /*hasChunkList=*/true, /*hasHeader=*/false)) +
         PackLongWord(4 + chunkListSize) + PackLongWord(chunkListSize) + PackLongWord(recordCount);
}

}  // namespace tolma
