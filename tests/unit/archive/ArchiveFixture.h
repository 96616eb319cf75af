#pragma once

// Archives for the tests, built as a tree and serialized by the container itself.

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "container/DIFFChunks.h"
#include "installer/ArchiveWriter.h"
#include "installer/EmbeddedArchive.h"

namespace tolma {

// How a failing comparison shows a record.
inline void PrintTo(const TFileData& record, std::ostream* out) {
  *out << "{" << record.FullPath << ", " << record.Content.size() << " bytes, " << std::hex
       << record.FileTime.High << ":" << record.FileTime.Low << std::dec << "}";
}

}  // namespace tolma

namespace tolma::testing_archive {

inline constexpr platform::FileTime kTime1{0x6A798600, 0x01D082CD};  // 2015-04-29 22:39:56 UTC
inline constexpr platform::FileTime kTime2{0x12345678, 0x01D9B6F7};

inline std::unique_ptr<TDIFFChunk> Root(std::string tag = std::string(kRootTag)) {
  auto root = std::make_unique<TDIFFChunk>();
  root->Tag = std::move(tag);
  return root;
}

// A chunk with a tag and the given entries, in order.
inline std::unique_ptr<TDIFFChunk> Chunk(
    std::string tag, const std::vector<std::pair<std::string, std::string>>& entries) {
  auto chunk = std::make_unique<TDIFFChunk>();
  chunk->Tag = std::move(tag);
  for (const auto& [name, data] : entries) chunk->AddHeader(name, data);
  return chunk;
}

inline std::string FiletimeBytes(platform::FileTime time) {
  return PackLongWord(time.Low) + PackLongWord(time.High);
}

// The two records most tests carry.
inline std::unique_ptr<TDIFFChunk> TwoRecordArchive() {
  auto root = Root();
  root->AddChunk(MakeFileRecord("drv.inf", kTime1, "[Version]\r\n"));
  root->AddChunk(MakeFileRecord("x64\\drv.sys", kTime2, std::string("MZ\0\x01", 4)));
  return root;
}

}  // namespace tolma::testing_archive
