#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "container/DIFFChunks.h"
#include "tests/unit/container/ChunkBytes.h"

namespace tolma {
namespace {

using test::Block;
using test::Chunk;
using test::ChunkListBlock;
using test::HeaderBlock;
using test::U32;

// What the reader accepts beyond what the writer produces, and what it makes of it.
struct Leftover {
  const char* Name;
  std::string Input;
  THeaderEntries Headers;
  size_t Children;
  std::string RawData;
  std::string Resaved;
};

// Names the case in failure reports.
void PrintTo(const Leftover& value, std::ostream* os) { *os << value.Name; }

class LoadLeftoverTest : public testing::TestWithParam<Leftover> {};

TEST_P(LoadLeftoverTest, LoadsAndSavesAsTheWriterWould) {
  TDIFFChunk chunk;
  chunk.LoadFromString(GetParam().Input);
  EXPECT_EQ(chunk.Headers, GetParam().Headers);
  EXPECT_EQ(chunk.Chunks.size(), GetParam().Children);
  EXPECT_EQ(chunk.RawData, GetParam().RawData);
  EXPECT_EQ(chunk.SaveToString(), GetParam().Resaved);
}

const std::string kRecordEntry = test::Entry("RelPath", "a.inf");

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadLeftoverTest,
    testing::Values(
        Leftover{"HeaderCountZeroClearsTheFlag",
                 Chunk(test::kFileWithHeader, Block(U32(0))),
                 {},
                 0,
                 "",
                 Chunk(test::kFilePlain, "")},
        Leftover{"HeaderCountZeroBeforeRawData",
                 Chunk(test::kFileWithHeader, Block(U32(0)) + "raw"),
                 {},
                 0,
                 "raw",
                 Chunk(test::kFilePlain, "raw")},
        Leftover{"ChildCountZeroClearsTheFlag",
                 Chunk(test::kFileWithList, Block(U32(0))),
                 {},
                 0,
                 "",
                 Chunk(test::kFilePlain, "")},
        Leftover{"UnclaimedHeaderBytesAreSkipped",
                 Chunk(test::kFileWithHeader, Block(U32(1) + kRecordEntry + "xx") + "raw"),
                 {{"RelPath", "a.inf"}},
                 0,
                 "raw",
                 Chunk(test::kFileWithHeader, Block(U32(1) + kRecordEntry) + "raw")},
        Leftover{"UnclaimedChunkListBytesAreSkipped",
                 Chunk(test::kFileWithList, Block(U32(1) + test::kCreatedExample + "junk") + "r"),
                 {},
                 1,
                 "r",
                 Chunk(test::kFileWithList, ChunkListBlock({test::kCreatedExample}) + "r")},
        Leftover{"BytesAfterTheChunkAreIgnored",
                 test::kRecordExample + "trailing",
                 {{"RelPath", "a.inf"}},
                 0,
                 "",
                 test::kRecordExample},
        Leftover{"RawDataWithoutBlocks",
                 Chunk(test::kFilePlain, std::string("\0\1\2", 3)),
                 {},
                 0,
                 std::string("\0\1\2", 3),
                 Chunk(test::kFilePlain, std::string("\0\1\2", 3))},
        Leftover{"BothBlocksThenRawData",
                 Chunk(test::kFileWithBoth,
                       HeaderBlock({{"n", "d"}}) + ChunkListBlock({test::kRecordExample}) + "tail"),
                 {{"n", "d"}},
                 1,
                 "tail",
                 Chunk(test::kFileWithBoth, HeaderBlock({{"n", "d"}}) +
                                                ChunkListBlock({test::kRecordExample}) + "tail")}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(LoadTest, TheUnclaimedHeaderBytesDoNotBecomeRawData) {
  TDIFFChunk chunk;
  chunk.LoadFromString(
      Chunk(test::kFileWithHeader, Block(U32(1) + kRecordEntry + "\xAA\xBB") + "R"));
  EXPECT_EQ(chunk.RawData, "R");
}

TEST(LoadTest, ASuccessfulLoadReplacesAllFourFields) {
  TDIFFChunk chunk;
  chunk.Tag = "OLD00";
  chunk.AddHeader("old", "1");
  chunk.NewChunk().Tag = "OLDCH";
  chunk.RawData = "old raw";
  chunk.LoadFromString(test::kRootExample);
  EXPECT_EQ(chunk.Tag, "FILES");
  EXPECT_TRUE(chunk.Headers.empty());
  ASSERT_EQ(chunk.Chunks.size(), 1U);
  EXPECT_EQ(chunk.Chunks[0]->Tag, "1FILE");
  EXPECT_TRUE(chunk.RawData.empty());
}

TEST(LoadTest, EightZeroBytesGiveTheFiveNulTagAndNothingElse) {
  TDIFFChunk chunk;
  chunk.Tag = "SOME0";
  chunk.RawData = "x";
  chunk.LoadFromString(test::kCreatedExample);
  EXPECT_EQ(chunk.Tag, std::string(5, '\0'));
  EXPECT_TRUE(chunk.Headers.empty());
  EXPECT_TRUE(chunk.Chunks.empty());
  EXPECT_TRUE(chunk.RawData.empty());
}

TEST(LoadTest, ALoadedTagIsWhateverTheWordHolds) {
  TDIFFChunk chunk;
  chunk.LoadFromString(Chunk(0xFFFFFFFC, ""));
  EXPECT_EQ(chunk.Tag, "~~~~~");
  chunk.LoadFromString(Chunk(PackTag(std::string("\x95\xB1+-=", 5), false, false), ""));
  EXPECT_EQ(chunk.Tag, std::string("\x95\xB1+-=", 5));
}

// A chain of list chunks `levels` deep, the innermost one a leaf.
std::string NestedChain(unsigned levels) {
  std::string chunk = Chunk(PackTag("LEAF0", false, false), "");
  for (unsigned level = 1; level < levels; ++level) {
    chunk = Chunk(PackTag("NESTS", true, false), ChunkListBlock({chunk}));
  }
  return chunk;
}

TEST(LoadDepthTest, TheDeepestAllowedTreeLoads) {
  TDIFFChunk root;
  const std::string bytes = NestedChain(MaxChunkDepth);
  root.LoadFromString(bytes);
  unsigned depth = 1;
  for (const TDIFFChunk* chunk = &root; !chunk->Chunks.empty(); chunk = chunk->Chunks[0].get()) {
    ++depth;
  }
  EXPECT_EQ(depth, MaxChunkDepth);
  EXPECT_EQ(root.SaveToString(), bytes);
}

TEST(LoadDepthTest, OneLevelMoreIsRefused) {
  TDIFFChunk root;
  try {
    root.LoadFromString(NestedChain(MaxChunkDepth + 1));
    FAIL() << "loaded a tree deeper than the limit";
  } catch (const EDIFFBufferError& error) {
    EXPECT_EQ(error.Message(), "Chunks were nested more than " + std::to_string(MaxChunkDepth) +
                                   " levels deep. (During load of NESTS chunk.)");
  }
  EXPECT_EQ(root.Tag, std::string(5, '\0'));
}

}  // namespace
}  // namespace tolma
