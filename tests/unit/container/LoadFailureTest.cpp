#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

#include "container/DIFFChunks.h"
#include "tests/unit/container/ChunkBytes.h"

namespace tolma {
namespace {

using test::Block;
using test::Chunk;
using test::U32;

struct Refusal {
  const char* Name;
  std::string Input;
  std::string Message;
};

// Names the case in failure reports.
void PrintTo(const Refusal& value, std::ostream* os) { *os << value.Name; }

std::string During(const std::string& tag) { return " (During load of " + tag + " chunk.)"; }

// A chunk with something in every field, so that a load that touched any of them shows.
class LoadFailureTest : public testing::TestWithParam<Refusal> {
 protected:
  void SetUp() override {
    chunk_.Tag = "KEEP0";
    chunk_.AddHeader("h", "1");
    child_ = &chunk_.NewChunk();
    child_->Tag = "CHILD";
    chunk_.RawData = "raw";
  }

  void ExpectUnchanged() const {
    EXPECT_EQ(chunk_.Tag, "KEEP0");
    EXPECT_EQ(chunk_.Headers, (THeaderEntries{{"h", "1"}}));
    ASSERT_EQ(chunk_.Chunks.size(), 1U);
    EXPECT_EQ(chunk_.Chunks[0].get(), child_);
    EXPECT_EQ(child_->Tag, "CHILD");
    EXPECT_EQ(chunk_.RawData, "raw");
  }

  TDIFFChunk chunk_;
  TDIFFChunk* child_ = nullptr;
};

TEST_P(LoadFailureTest, LoadFromStringRefusesAndKeepsTheChunk) {
  try {
    chunk_.LoadFromString(GetParam().Input);
    FAIL() << "loaded";
  } catch (const EDIFFBufferError& error) {
    EXPECT_EQ(error.Message(), GetParam().Message);
  }
  ExpectUnchanged();
}

TEST_P(LoadFailureTest, LoadFromStreamRefusesAndKeepsChunkAndPosition) {
  MemoryStream stream("pre" + GetParam().Input);
  stream.SetPosition(3);
  try {
    chunk_.LoadFromStream(stream);
    FAIL() << "loaded";
  } catch (const EDIFFBufferError& error) {
    EXPECT_EQ(error.Message(), GetParam().Message);
  }
  EXPECT_EQ(stream.Position(), 3);
  ExpectUnchanged();
}

TEST_P(LoadFailureTest, CreateFromStringPassesTheSameRefusalOn) {
  try {
    (void)TDIFFChunk::CreateFromString(GetParam().Input);
    FAIL() << "loaded";
  } catch (const EDIFFBufferError& error) {
    EXPECT_EQ(error.Message(), GetParam().Message);
  }
}

const std::string kNoHead = "Error loading DIFF chunk: only ";
const uint32_t kSecondWithHeader = PackTag("SECND", false, true);
const uint32_t kNestWithList = PackTag("NESTS", true, false);
const uint32_t kLeafWithHeader = PackTag("LEAF0", false, true);

INSTANTIATE_TEST_SUITE_P(
    Messages, LoadFailureTest,
    testing::Values(
        // M1: no room for a head.
        Refusal{"M1Empty", "", kNoHead + "0 bytes were available."},
        Refusal{"M1Seven", test::kRecordExample.substr(0, 7), kNoHead + "7 bytes were available."},
        // M2: the payload runs past the input, sizes near the 32-bit limit included.
        Refusal{
            "M2Truncated", test::kRecordExample.substr(0, 35),
            "Claimed payload was 28 bytes, but only 27 bytes were available." + During("1FILE")},
        Refusal{"M2Max", U32(test::kFilePlain) + U32(0xFFFFFFFF) + "abc",
                "Claimed payload was 4294967295 bytes, but only 3 bytes were available." +
                    During("1FILE")},
        Refusal{"M2WrapsWithHead", U32(test::kFilePlain) + U32(0xFFFFFFF8),
                "Claimed payload was 4294967288 bytes, but only 0 bytes were available." +
                    During("1FILE")},
        // M3 to M6: the header block.
        Refusal{
            "M3", Chunk(test::kFileWithHeader, "1234567"),
            "Chunk claimed to have a header, but only 7 bytes were available." + During("1FILE")},
        Refusal{"M4", Chunk(test::kFileWithHeader, U32(100) + "abcd"),
                "Claimed header was 100 bytes, but only 4 bytes were available." + During("1FILE")},
        Refusal{"M4Max", Chunk(test::kFileWithHeader, U32(0xFFFFFFFF) + "abcd"),
                "Claimed header was 4294967295 bytes, but only 4 bytes were available." +
                    During("1FILE")},
        Refusal{"M5",
                Chunk(test::kFileWithHeader, Block(U32(2) + test::Entry("a", "") + U32(9) + "abc")),
                "Claimed header name was 9 bytes, but only 3 bytes were available in the header." +
                    During("1FILE")},
        Refusal{"M5Max", Chunk(test::kFileWithHeader, Block(U32(1) + U32(0xFFFFFFFF) + "abcd")),
                "Claimed header name was 4294967295 bytes, but only 4 bytes were available in the "
                "header." +
                    During("1FILE")},
        Refusal{"M6", Chunk(test::kFileWithHeader, Block(U32(1) + U32(0) + U32(9) + "abc")),
                "Claimed header data was 9 bytes, but only 3 bytes were available in the header." +
                    During("1FILE")},
        // M7, M8: the chunk list block.
        Refusal{"M7", Chunk(test::kFilesWithList, "1234567"),
                "Chunk claimed to have a chunk list, but only 7 bytes were available." +
                    During("FILES")},
        Refusal{"M7AfterHeader",
                Chunk(test::kFileWithBoth, test::HeaderBlock({{"n", "d"}}) + "12345"),
                "Chunk claimed to have a chunk list, but only 5 bytes were available." +
                    During("1FILE")},
        Refusal{
            "M8", Chunk(test::kFilesWithList, U32(100) + "abcd"),
            "Claimed chunk list was 100 bytes, but only 4 bytes were available." + During("FILES")},
        Refusal{"M8Max", Chunk(test::kFilesWithList, U32(0xFFFFFFFF) + "abcd"),
                "Claimed chunk list was 4294967295 bytes, but only 4 bytes were available." +
                    During("FILES")},
        // Count and length fields that do not fit in their block.
        Refusal{"HeaderBlockTooSmallForCount", Chunk(test::kFileWithHeader, U32(3) + "abc" + "r"),
                "Claimed header was 3 bytes, too few to hold its entry count." + During("1FILE")},
        Refusal{"EmptyHeaderBlock", Chunk(test::kFileWithHeader, U32(0) + "rrrr"),
                "Claimed header was 0 bytes, too few to hold its entry count." + During("1FILE")},
        Refusal{
            "ChunkListTooSmallForCount", Chunk(test::kFilesWithList, U32(2) + "ab" + "rr"),
            "Claimed chunk list was 2 bytes, too few to hold its child count." + During("FILES")},
        Refusal{"NameLengthFieldCutShort",
                Chunk(test::kFileWithHeader, Block(U32(2) + test::Entry("abcde", "x") + "ab")),
                "Header name length needs 4 bytes, but only 2 bytes were available in the header." +
                    During("1FILE")},
        Refusal{"DataLengthFieldCutShort",
                Chunk(test::kFileWithHeader, Block(U32(1) + U32(4) + "abcd" + "xy")),
                "Header data length needs 4 bytes, but only 2 bytes were available in the header." +
                    During("1FILE")},
        // Counts bounded by the bytes their entries or children need at least.
        Refusal{"HugeHeaderCountInTwentyBytes",
                Chunk(test::kFileWithHeader, Block(U32(0xFFFFFFFF) + "abcd")),
                "Claimed header entry count was 4294967295, but only 4 bytes were available in the "
                "header." +
                    During("1FILE")},
        Refusal{"HeaderCountJustOverTheBound",
                Chunk(test::kFileWithHeader, Block(U32(2) + test::Entry("a", "") + "123456")),
                "Claimed header entry count was 2, but only 15 bytes were available in the "
                "header." +
                    During("1FILE")},
        Refusal{"HugeChildCountInTwentyBytes",
                Chunk(test::kFilesWithList, Block(U32(0xFFFFFFFF) + "abcd")),
                "Claimed chunk count was 4294967295, but only 4 bytes were available in the chunk "
                "list." +
                    During("FILES")},
        // Children: a failure carries the child's own tag, through every level.
        Refusal{"MissingChildAtTheEndOfTheBlock",
                Chunk(test::kFilesWithList, Block(U32(2) + test::kRecordExample)),
                kNoHead + "0 bytes were available."},
        Refusal{"MissingChildBeforeUnclaimedBytes",
                Chunk(test::kFilesWithList, Block(U32(2) + test::kRecordExample + "12345")),
                kNoHead + "5 bytes were available."},
        Refusal{
            "ChildPayloadPastItsBlock",
            Chunk(test::kFilesWithList,
                  Block(U32(1) + U32(test::kFileWithHeader) + U32(100) + "abcd")),
            "Claimed payload was 100 bytes, but only 4 bytes were available." + During("1FILE")},
        Refusal{
            "ChildHeaderTooShort",
            Chunk(test::kFilesWithList,
                  test::ChunkListBlock({Chunk(test::kFileWithHeader, "abc")})),
            "Chunk claimed to have a header, but only 3 bytes were available." + During("1FILE")},
        Refusal{
            "SecondChildFails",
            Chunk(test::kFilesWithList,
                  test::ChunkListBlock({test::kRecordExample, Chunk(kSecondWithHeader, "")})),
            "Chunk claimed to have a header, but only 0 bytes were available." + During("SECND")},
        Refusal{
            "GrandchildFails",
            Chunk(test::kFilesWithList,
                  test::ChunkListBlock({Chunk(
                      kNestWithList, test::ChunkListBlock({Chunk(kLeafWithHeader, "xy")}))})),
            "Chunk claimed to have a header, but only 2 bytes were available." + During("LEAF0")},
        // The tag goes into the message as its five bytes, NUL bytes included.
        Refusal{"NulTagInTheMessage", Chunk(0x00000001, ""),
                "Chunk claimed to have a header, but only 0 bytes were available." +
                    During(std::string(5, '\0'))}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(LoadFailureFreshTest, AFailedLoadIntoAFreshChunkLeavesTheNulTag) {
  TDIFFChunk chunk;
  EXPECT_THROW(chunk.LoadFromString(test::kRecordExample.substr(0, 35)), EDIFFBufferError);
  EXPECT_EQ(chunk.Tag, std::string(5, '\0'));
  EXPECT_TRUE(chunk.Headers.empty());
  EXPECT_TRUE(chunk.Chunks.empty());
  EXPECT_TRUE(chunk.RawData.empty());
}

}  // namespace
}  // namespace tolma
