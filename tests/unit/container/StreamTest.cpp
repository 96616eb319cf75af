#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <ostream>
#include <string>

#include "container/DIFFChunks.h"
#include "tests/unit/container/ChunkBytes.h"

namespace tolma {
namespace {

TEST(MemoryStreamTest, ReadsAndWritesAtThePosition) {
  MemoryStream stream("abcdef");
  EXPECT_EQ(stream.Size(), 6);
  stream.SetPosition(4);
  char buffer[8] = {};
  EXPECT_EQ(stream.Read(buffer, 8), 2);
  EXPECT_EQ(std::string(buffer, 2), "ef");
  EXPECT_EQ(stream.Position(), 6);
  EXPECT_EQ(stream.Read(buffer, 1), 0);

  stream.SetPosition(8);
  EXPECT_EQ(stream.Write("xy", 2), 2);
  EXPECT_EQ(stream.Bytes(), std::string("abcdef\0\0xy", 10));
  EXPECT_EQ(stream.Position(), 10);

  stream.SetPosition(-1);
  EXPECT_EQ(stream.Read(buffer, 1), 0);
  EXPECT_EQ(stream.Write("z", 1), 0);
  EXPECT_EQ(stream.Bytes().size(), 10U);
}

struct Position {
  const char* Name;
  int32_t Value;
  uint32_t Available;
};

// Names the case in failure reports.
void PrintTo(const Position& value, std::ostream* os) { *os << value.Name; }

class StreamPositionTest : public testing::TestWithParam<Position> {};

// Fewer than 8 bytes from the position on, or a position beyond the end: M1 with what is there.
TEST_P(StreamPositionTest, RefusesWithTheBytesAvailable) {
  MemoryStream stream(test::kRootExample);
  const int32_t position = GetParam().Value;
  stream.SetPosition(position);
  TDIFFChunk chunk;
  try {
    chunk.LoadFromStream(stream);
    FAIL() << "loaded";
  } catch (const EDIFFBufferError& error) {
    EXPECT_EQ(error.Message(), "Error loading DIFF chunk: only " +
                                   std::to_string(GetParam().Available) + " bytes were available.");
  }
  EXPECT_EQ(stream.Position(), position);
  EXPECT_EQ(chunk.Tag, std::string(5, '\0'));
}

INSTANTIATE_TEST_SUITE_P(
    Positions, StreamPositionTest,
    testing::Values(Position{"SevenBeforeTheEnd", 45, 7}, Position{"ThreeBeforeTheEnd", 49, 3},
                    Position{"AtTheEnd", 52, 0}, Position{"OneBeyondTheEnd", 53, 0},
                    Position{"FarBeyondTheEnd", std::numeric_limits<int32_t>::max(), 0},
                    Position{"Negative", -1, 0},
                    Position{"MostNegative", std::numeric_limits<int32_t>::min(), 0}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(StreamLoadTest, LeavesThePositionJustAfterTheChunk) {
  MemoryStream stream("xx" + test::kRecordExample + "yyyy");
  stream.SetPosition(2);
  TDIFFChunk chunk;
  chunk.LoadFromStream(stream);
  EXPECT_EQ(stream.Position(), 38);
  EXPECT_EQ(chunk.SaveToString(), test::kRecordExample);
}

TEST(StreamLoadTest, ChunksWrittenBackToBackAreReadBackOneByOne) {
  TDIFFChunk first;
  first.LoadFromString(test::kRootExample);
  TDIFFChunk second;
  second.Tag = "OTHER";
  second.RawData = "data";
  MemoryStream stream;
  first.SaveToStream(stream);
  EXPECT_EQ(stream.Position(), 52);
  second.SaveToStream(stream);
  EXPECT_EQ(stream.Position(), 52 + 12);

  stream.SetPosition(0);
  TDIFFChunk read;
  read.LoadFromStream(stream);
  EXPECT_EQ(stream.Position(), 52);
  EXPECT_EQ(read.SaveToString(), test::kRootExample);
  read.LoadFromStream(stream);
  EXPECT_EQ(stream.Position(), 64);
  EXPECT_EQ(read.Tag, "OTHER");
  EXPECT_EQ(read.RawData, "data");
  EXPECT_THROW(read.LoadFromStream(stream), EDIFFBufferError);
  EXPECT_EQ(stream.Position(), 64);
  EXPECT_EQ(read.Tag, "OTHER");
}

TEST(StreamLoadTest, CreateFromStreamLoadsAtThePosition) {
  MemoryStream stream("abc" + test::kRecordExample);
  stream.SetPosition(3);
  const auto chunk = TDIFFChunk::CreateFromStream(stream);
  EXPECT_EQ(chunk->Tag, "1FILE");
  EXPECT_EQ(chunk->GetHeaderValue("RelPath"), "a.inf");
  EXPECT_EQ(stream.Position(), 39);
}

TEST(StreamSaveTest, WritesAtThePositionAndAdvances) {
  MemoryStream stream("0123456789AB");
  stream.SetPosition(2);
  TDIFFChunk().SaveToStream(stream);
  EXPECT_EQ(stream.Bytes(), "01" + std::string(8, '\0') + "AB");
  EXPECT_EQ(stream.Position(), 10);
}

// A stream that moves at most `limit` bytes per call, as a file on a full disk or a pipe might.
class ShortStream final : public Stream {
 public:
  ShortStream(std::string bytes, int32_t limit) : inner_(std::move(bytes)), limit_(limit) {}
  [[nodiscard]] int32_t Size() const override { return inner_.Size(); }
  [[nodiscard]] int32_t Position() const override { return inner_.Position(); }
  void SetPosition(int32_t position) override { inner_.SetPosition(position); }
  int32_t Read(void* buffer, int32_t count) override {
    return inner_.Read(buffer, std::min(count, limit_));
  }
  int32_t Write(const void* buffer, int32_t count) override {
    return inner_.Write(buffer, std::min(count, limit_));
  }

 private:
  MemoryStream inner_;
  int32_t limit_;
};

TEST(StreamLoadTest, AShortReadIsRefusedAndRestoresThePosition) {
  for (const int32_t limit : {4, 8, 20}) {
    ShortStream stream("ab" + test::kRecordExample, limit);
    stream.SetPosition(2);
    TDIFFChunk chunk;
    try {
      chunk.LoadFromStream(stream);
      FAIL() << "loaded from a stream that reads " << limit << " bytes at a time";
    } catch (const EDIFFBufferError& error) {
      EXPECT_EQ(error.Message(), "Error loading DIFF chunk: the stream could not be read.");
    }
    EXPECT_EQ(stream.Position(), 2);
    EXPECT_EQ(chunk.Tag, std::string(5, '\0'));
  }
}

TEST(StreamSaveTest, AShortWriteIsAnError) {
  ShortStream stream("", 10);
  TDIFFChunk root;
  root.LoadFromString(test::kRootExample);
  try {
    root.SaveToStream(stream);
    FAIL() << "a short write passed for a saved chunk";
  } catch (const EDIFFError& error) {
    EXPECT_EQ(error.Message(), "Error saving DIFF chunk: only 10 of 52 bytes were written.");
  }
}

}  // namespace
}  // namespace tolma
