#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "container/DIFFChunks.h"
#include "tests/unit/container/ChunkBytes.h"

namespace tolma {
namespace {

// Saves as the worked record whatever its fields hold (its own tag is left empty, which the
// base class could not save).
class FixedSaveChunk : public TDIFFChunk {
 public:
  FixedSaveChunk() : TDIFFChunk(AllEmpty{}) {}
  [[nodiscard]] std::string SaveToString() const override { return test::kRecordExample; }
};

// Records what reaches its LoadFromString, then loads as the base class does.
class RecordingLoadChunk : public TDIFFChunk {
 public:
  void LoadFromString(std::string_view bytes) override {
    received.emplace_back(bytes);
    TDIFFChunk::LoadFromString(bytes);
  }
  std::vector<std::string> received;
};

class ThrowingLoadChunk : public TDIFFChunk {
 public:
  struct Thrown {};
  void LoadFromString(std::string_view /*bytes*/) override { throw Thrown{}; }
};

class FixedFindChunk : public TDIFFChunk {
 public:
  [[nodiscard]] const THeaderEntry* FindHeader(std::string_view /*name*/) const override {
    return &entry_;
  }

 private:
  THeaderEntry entry_{"any", "found by the override"};
};

class CountingAddChunk : public TDIFFChunk {
 public:
  int32_t AddChunk(std::unique_ptr<TDIFFChunk> child) override {
    ++added;
    return TDIFFChunk::AddChunk(std::move(child));
  }
  int added = 0;
};

TEST(VirtualDispatchTest, SaveToStreamReachesAnOverriddenSaveToString) {
  FixedSaveChunk chunk;
  MemoryStream stream;
  chunk.SaveToStream(stream);
  EXPECT_EQ(stream.Bytes(), test::kRecordExample);
}

TEST(VirtualDispatchTest, SavingATreeReachesEachChildsOwnSaveToString) {
  TDIFFChunk root;
  root.Tag = "FILES";
  root.AddChunk(std::make_unique<FixedSaveChunk>());
  EXPECT_EQ(root.SaveToString(), test::kRootExample);

  // One level further down, below a child of the base class.
  TDIFFChunk outer;
  outer.Tag = "OUTER";
  TDIFFChunk& middle = outer.NewChunk();
  middle.Tag = "FILES";
  middle.AddChunk(std::make_unique<FixedSaveChunk>());
  EXPECT_EQ(outer.SaveToString(),
            test::Chunk(PackTag("OUTER", true, false), test::ChunkListBlock({test::kRootExample})));
}

TEST(VirtualDispatchTest, LoadFromStreamReachesAnOverriddenLoadFromStringWithTheWholeChunk) {
  MemoryStream stream("pre" + test::kRecordExample + "post");
  stream.SetPosition(3);
  RecordingLoadChunk chunk;
  chunk.LoadFromStream(stream);
  EXPECT_EQ(chunk.received, std::vector<std::string>{test::kRecordExample});
  EXPECT_EQ(stream.Position(), 39);
}

TEST(VirtualDispatchTest, AnyFailureOfTheLoadRestoresTheStreamPositionAndPassesOn) {
  MemoryStream stream("pre" + test::kRecordExample);
  stream.SetPosition(3);
  ThrowingLoadChunk chunk;
  EXPECT_THROW(chunk.LoadFromStream(stream), ThrowingLoadChunk::Thrown);
  EXPECT_EQ(stream.Position(), 3);
}

TEST(VirtualDispatchTest, CreateFromStringAndStreamLoadThroughTheClassGiven) {
  const auto fromString = TDIFFChunk::CreateFromString<RecordingLoadChunk>(test::kRootExample);
  EXPECT_EQ(fromString->received, std::vector<std::string>{test::kRootExample});

  MemoryStream stream(test::kRootExample + "after");
  const auto fromStream = TDIFFChunk::CreateFromStream<RecordingLoadChunk>(stream);
  EXPECT_EQ(fromStream->received, std::vector<std::string>{test::kRootExample});
  EXPECT_EQ(stream.Position(), 52);
}

TEST(VirtualDispatchTest, LoadedChildrenAreOfTheBaseClass) {
  RecordingLoadChunk root;
  root.LoadFromString(test::kRootExample);
  ASSERT_EQ(root.Chunks.size(), 1U);
  const TDIFFChunk& child = *root.Chunks[0];
  EXPECT_EQ(typeid(child), typeid(TDIFFChunk));
  // Only the root's own load went through the override.
  EXPECT_EQ(root.received.size(), 1U);
}

TEST(VirtualDispatchTest, GetHeaderValueReachesAnOverriddenFindHeader) {
  FixedFindChunk chunk;
  EXPECT_EQ(chunk.GetHeaderValue("missing in Headers"), "found by the override");
}

TEST(VirtualDispatchTest, NewChunkAppendsThroughAddChunk) {
  CountingAddChunk chunk;
  chunk.NewChunk();
  chunk.NewChunk();
  EXPECT_EQ(chunk.added, 2);
  EXPECT_EQ(chunk.Chunks.size(), 2U);
}

}  // namespace
}  // namespace tolma
