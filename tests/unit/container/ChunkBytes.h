#pragma once

// Serialized chunks assembled field by field from the byte layout, independent of the writer,
// so that tests can compare the writer with them and feed the reader malformed variants.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolma::test {

inline std::string U32(uint32_t value) {
  std::string out(4, '\0');
  for (unsigned i = 0; i < 4; ++i) out[i] = static_cast<char>((value >> (8U * i)) & 0xFFU);
  return out;
}

// Tag words of the tags the tests use, with the flags they need.
inline constexpr uint32_t kFilesWithList = 0xB1E9627E;   // "FILES", has-chunk-list
inline constexpr uint32_t kFileWithHeader = 0x7A589F45;  // "1FILE", has-header
inline constexpr uint32_t kFileWithList = 0x7A589F46;    // "1FILE", has-chunk-list
inline constexpr uint32_t kFileWithBoth = 0x7A589F47;    // "1FILE", both flags
inline constexpr uint32_t kFilePlain = 0x7A589F44;       // "1FILE", no flags

// A chunk: tag word, payload size, payload.
inline std::string Chunk(uint32_t word, std::string_view payload) {
  return U32(word) + U32(static_cast<uint32_t>(payload.size())) + std::string(payload);
}

// A block: its size field, then its bytes (count first).
inline std::string Block(std::string_view bytes) {
  return U32(static_cast<uint32_t>(bytes.size())) + std::string(bytes);
}

inline std::string Entry(std::string_view name, std::string_view data) {
  return U32(static_cast<uint32_t>(name.size())) + std::string(name) +
         U32(static_cast<uint32_t>(data.size())) + std::string(data);
}

struct NamedData {
  std::string Name;
  std::string Data;
};

inline std::string HeaderBlock(const std::vector<NamedData>& entries) {
  std::string body = U32(static_cast<uint32_t>(entries.size()));
  for (const auto& entry : entries) body += Entry(entry.Name, entry.Data);
  return Block(body);
}

inline std::string ChunkListBlock(const std::vector<std::string>& children) {
  std::string body = U32(static_cast<uint32_t>(children.size()));
  for (const auto& child : children) body += child;
  return Block(body);
}

// The worked examples: a "1FILE" record with RelPath a.inf (36 bytes), the "FILES" root holding
// it (52 bytes), and a chunk fresh from its default constructor (8 zero bytes).
inline const std::string kRecordExample(
    "\x45\x9F\x58\x7A\x1C\x00\x00\x00\x18\x00\x00\x00\x01\x00\x00\x00\x07\x00\x00\x00"
    "RelPath\x05\x00\x00\x00"
    "a.inf",
    36);
inline const std::string kRootExample = std::string(
                                            "\x7E\x62\xE9\xB1\x2C\x00\x00\x00"
                                            "\x28\x00\x00\x00\x01\x00\x00\x00",
                                            16) +
                                        kRecordExample;
inline const std::string kCreatedExample(8, '\0');

// A file record of the installer's archive.
inline std::string FileRecord(std::string_view relPath, std::string_view fileTime,
                              std::string_view content) {
  return Chunk(kFileWithHeader, HeaderBlock({{"RelPath", std::string(relPath)},
                                             {"Filetime", std::string(fileTime)},
                                             {"Content", std::string(content)}}));
}

// Every byte value, so that contents and names prove to be carried byte for byte.
inline std::string AllByteValues() {
  std::string out(256, '\0');
  for (unsigned i = 0; i < 256; ++i) out[i] = static_cast<char>(i);
  return out;
}

}  // namespace tolma::test
