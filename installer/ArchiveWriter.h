#pragma once

// Writing the archive that the installer reads: one root chunk "FILES" whose children are
// "1FILE" records. The records are serialized one at a time behind the root's head, so a
// packing tool holds one file in memory, not the whole package.

#include <cstdint>
#include <memory>
#include <string>

#include "container/DIFFChunks.h"
#include "platform/Platform.h"

namespace tolma {

// A "1FILE" record with its three entries in the order the installer expects.
std::unique_ptr<TDIFFChunk> MakeFileRecord(std::string relPath, platform::FileTime fileTime,
                                           std::string content);

// Serialized sizes, in 64 bits so that a package too large for the format is seen before any
// of it is read: a record of these lengths, and the archive around records of that total.
uint64_t FileRecordSize(uint64_t relPathLength, uint64_t contentLength);
uint64_t ArchiveSize(uint64_t recordsSize);

// The largest total of record bytes that one archive can hold.
inline constexpr uint64_t kMaxRecordsSize = 0xFFFFFFFFULL - 8;

// The 16 bytes that precede the records: the root's head and its chunk list head. The records
// then follow back to back, each as SaveToString of its chunk; there is at least one, as an
// archive without records is never written. Raises Exception when recordsSize is more than
// kMaxRecordsSize.
std::string ArchiveHead(uint32_t recordCount, uint64_t recordsSize);

}  // namespace tolma
