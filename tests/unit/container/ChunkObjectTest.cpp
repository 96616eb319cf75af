#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <typeinfo>
#include <vector>

#include "container/DIFFChunks.h"

namespace tolma {
namespace {

std::vector<std::string> NamesOf(const THeaderEntries& entries) {
  std::vector<std::string> names;
  for (const auto& entry : entries) names.push_back(entry.Name);
  return names;
}

TEST(ChunkObjectTest, CreateGivesFiveNulTagAndNothingElse) {
  const TDIFFChunk chunk;
  EXPECT_EQ(chunk.Tag, std::string(5, '\0'));
  EXPECT_TRUE(chunk.Headers.empty());
  EXPECT_TRUE(chunk.Chunks.empty());
  EXPECT_TRUE(chunk.RawData.empty());
}

TEST(ChunkObjectTest, AddHeaderAppendsAndReturnsTheIndex) {
  TDIFFChunk chunk;
  EXPECT_EQ(chunk.AddHeader("A", "1"), 0);
  EXPECT_EQ(chunk.AddHeader("B", ""), 1);
  EXPECT_EQ(chunk.AddHeader("A", "3"), 2);
  EXPECT_EQ(chunk.Headers, (THeaderEntries{{"A", "1"}, {"B", ""}, {"A", "3"}}));
}

TEST(ChunkObjectTest, AddChunkAppendsAndReturnsTheIndex) {
  TDIFFChunk parent;
  std::vector<const TDIFFChunk*> added;
  for (int32_t expected = 0; expected < 3; ++expected) {
    auto child = std::make_unique<TDIFFChunk>();
    added.push_back(child.get());
    EXPECT_EQ(parent.AddChunk(std::move(child)), expected);
  }
  ASSERT_EQ(parent.Chunks.size(), 3U);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(parent.Chunks[i].get(), added[i]);
}

TEST(ChunkObjectTest, FindHeaderGivesTheFirstEntryOfTheNameInsideHeaders) {
  TDIFFChunk chunk;
  chunk.AddHeader("Other", "0");
  chunk.AddHeader("Name", "1");
  chunk.AddHeader("Name", "2");
  EXPECT_EQ(chunk.FindHeader("Name"), &chunk.Headers[1]);
  EXPECT_EQ(chunk.GetHeaderValue("Name"), "1");
}

TEST(ChunkObjectTest, FindHeaderComparesWholeNamesByteForByte) {
  TDIFFChunk chunk;
  chunk.AddHeader("RelPath", "a.inf");
  chunk.AddHeader(std::string("N\0x", 3), "nul");
  for (const std::string& miss :
       {std::string("relpath"), std::string("RELPATH"), std::string("RelPat"),
        std::string("RelPath "), std::string(" RelPath"), std::string("N"), std::string()}) {
    EXPECT_EQ(chunk.FindHeader(miss), nullptr) << miss;
  }
  EXPECT_EQ(chunk.FindHeader("RelPath"), &chunk.Headers[0]);
  EXPECT_EQ(chunk.FindHeader(std::string("N\0x", 3)), &chunk.Headers[1]);
}

TEST(ChunkObjectTest, AnEmptyNameIsFoundByTheEmptyString) {
  TDIFFChunk chunk;
  chunk.AddHeader("A", "1");
  chunk.AddHeader("", "empty name");
  EXPECT_EQ(chunk.FindHeader(""), &chunk.Headers[1]);
  EXPECT_EQ(chunk.GetHeaderValue(""), "empty name");
}

TEST(ChunkObjectTest, GetHeaderValueIsEmptyForMissingAndEmptyEntries) {
  TDIFFChunk chunk;
  chunk.AddHeader("Empty", "");
  chunk.AddHeader("Full", std::string("\0v", 2));
  EXPECT_EQ(chunk.GetHeaderValue("Missing"), "");
  EXPECT_EQ(chunk.GetHeaderValue("Empty"), "");
  EXPECT_EQ(chunk.GetHeaderValue("Full"), std::string("\0v", 2));
}

struct RemoveCase {
  std::vector<std::string> Before;
  std::string Removed;
  std::vector<std::string> After;
};

// Names the case in failure reports.
void PrintTo(const RemoveCase& value, std::ostream* os) {
  *os << "remove \"" << value.Removed << "\" from " << value.Before.size() << " entries";
}

class RemoveHeaderTest : public testing::TestWithParam<RemoveCase> {};

TEST_P(RemoveHeaderTest, RemovesEveryMatchKeepingTheOrder) {
  TDIFFChunk chunk;
  for (size_t i = 0; i < GetParam().Before.size(); ++i) {
    chunk.AddHeader(GetParam().Before[i], std::to_string(i));
  }
  chunk.RemoveHeader(GetParam().Removed);
  EXPECT_EQ(NamesOf(chunk.Headers), GetParam().After);
  // The entries left are the very ones added, data included.
  for (const auto& entry : chunk.Headers) {
    EXPECT_EQ(GetParam().Before[std::stoul(entry.Data)], entry.Name);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, RemoveHeaderTest,
                         testing::Values(RemoveCase{{"A", "B", "A", "C"}, "A", {"B", "C"}},
                                         RemoveCase{{"B", "C"}, "A", {"B", "C"}},
                                         RemoveCase{{"A", "A", "A"}, "A", {}},
                                         RemoveCase{{}, "A", {}},
                                         RemoveCase{{"", "A", ""}, "", {"A"}},
                                         RemoveCase{{"a", "A"}, "A", {"a"}}));

// A subclass that makes children of its own class, the way NewChunk requires.
class DerivedChunk : public TDIFFChunk {
 public:
  using TDIFFChunk::TDIFFChunk;

 protected:
  [[nodiscard]] std::unique_ptr<TDIFFChunk> NewInstance() const override {
    return std::make_unique<DerivedChunk>(AllEmpty{});
  }
};

TEST(NewChunkTest, AppendsAnAllEmptyChildOwnedByTheParent) {
  TDIFFChunk parent;
  parent.AddChunk(std::make_unique<TDIFFChunk>());
  TDIFFChunk& child = parent.NewChunk();
  ASSERT_EQ(parent.Chunks.size(), 2U);
  EXPECT_EQ(parent.Chunks[1].get(), &child);
  EXPECT_TRUE(child.Tag.empty());
  EXPECT_TRUE(child.Headers.empty());
  EXPECT_TRUE(child.Chunks.empty());
  EXPECT_TRUE(child.RawData.empty());
  EXPECT_EQ(typeid(child), typeid(TDIFFChunk));
}

TEST(NewChunkTest, MakesAChildOfTheParentsDynamicClass) {
  DerivedChunk parent;
  TDIFFChunk& child = parent.NewChunk();
  EXPECT_EQ(typeid(child), typeid(DerivedChunk));
  EXPECT_TRUE(child.Tag.empty());
  EXPECT_EQ(typeid(child.NewChunk()), typeid(DerivedChunk));
}

TEST(NewChunkTest, SavingBeforeTheTagIsSetReportsAZeroCharString) {
  TDIFFChunk parent;
  parent.NewChunk();
  try {
    (void)parent.SaveToString();
    FAIL() << "saved a child with an empty tag";
  } catch (const EDIFFParseError& error) {
    EXPECT_EQ(error.Message(),
              "DIFF tag must be 5 characters; cannot pack from 0-char string \"\".");
  }
  parent.Chunks[0]->Tag = "CHILD";
  EXPECT_NO_THROW((void)parent.SaveToString());
}

// Writes its name into a shared log when destroyed.
class LoggedChunk : public TDIFFChunk {
 public:
  LoggedChunk(std::string name, std::vector<std::string>& log)
      : name_(std::move(name)), log_(log) {}
  ~LoggedChunk() override { log_.push_back(name_); }

  LoggedChunk& Add(std::string name) {
    auto child = std::make_unique<LoggedChunk>(std::move(name), log_);
    LoggedChunk& added = *child;
    AddChunk(std::move(child));
    return added;
  }

 private:
  std::string name_;
  std::vector<std::string>& log_;
};

TEST(OwnershipTest, DestroyingARootDestroysEachChunkOnceChildrenInIndexOrder) {
  std::vector<std::string> log;
  {
    auto root = std::make_unique<LoggedChunk>("root", log);
    LoggedChunk& a = root->Add("a");
    a.Add("a0");
    a.Add("a1").Add("a1x");
    root->Add("b");
    root->Add("c").Add("c0");
    root.reset();
    // A chunk goes before its children, and each child's subtree before its next sibling.
    EXPECT_EQ(log, (std::vector<std::string>{"root", "a", "a0", "a1", "a1x", "b", "c", "c0"}));
  }
  EXPECT_EQ(log.size(), 8U);
}

TEST(OwnershipTest, ASuccessfulLoadDestroysTheOldChildrenAndAFailedOneKeepsThem) {
  std::vector<std::string> log;
  LoggedChunk root("root", log);
  root.Add("old0");
  root.Add("old1");
  const std::string truncated(7, '\0');
  EXPECT_THROW(root.LoadFromString(truncated), EDIFFBufferError);
  EXPECT_TRUE(log.empty());
  ASSERT_EQ(root.Chunks.size(), 2U);

  root.LoadFromString(std::string(8, '\0'));
  EXPECT_EQ(log, (std::vector<std::string>{"old0", "old1"}));
  EXPECT_TRUE(root.Chunks.empty());
}

// Default-constructible, as CreateFromString needs, so it counts in a class-wide tally.
class CountedChunk : public TDIFFChunk {
 public:
  CountedChunk() { ++made; }
  ~CountedChunk() override { ++destroyed; }
  static inline int made = 0;
  static inline int destroyed = 0;
};

TEST(OwnershipTest, AFailedCreateDestroysTheHalfMadeChunkOnce) {
  CountedChunk::made = CountedChunk::destroyed = 0;
  EXPECT_THROW((void)TDIFFChunk::CreateFromString<CountedChunk>("short"), EDIFFBufferError);
  MemoryStream stream(std::string("\x01\x00\x00\x00\xFF\x00\x00\x00", 8));
  EXPECT_THROW((void)TDIFFChunk::CreateFromStream<CountedChunk>(stream), EDIFFBufferError);
  EXPECT_EQ(CountedChunk::made, 2);
  EXPECT_EQ(CountedChunk::destroyed, 2);
}

}  // namespace
}  // namespace tolma
