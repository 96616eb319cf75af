#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "container/DIFFChunks.h"
#include "tests/unit/container/ChunkBytes.h"

namespace tolma {
namespace {

using test::Chunk;
using test::ChunkListBlock;
using test::HeaderBlock;
using test::U32;

std::unique_ptr<TDIFFChunk> MakeRecord() {
  auto record = std::make_unique<TDIFFChunk>();
  record->Tag = "1FILE";
  record->AddHeader("RelPath", "a.inf");
  return record;
}

std::unique_ptr<TDIFFChunk> MakeRoot() {
  auto root = std::make_unique<TDIFFChunk>();
  root->Tag = "FILES";
  root->AddChunk(MakeRecord());
  return root;
}

struct Example {
  const char* Name;
  std::function<std::unique_ptr<TDIFFChunk>()> Make;
  std::string Bytes;
};

// Names the case in failure reports.
void PrintTo(const Example& value, std::ostream* os) { *os << value.Name; }

// Compares two trees field by field, children included.
void ExpectSameTree(const TDIFFChunk& actual, const TDIFFChunk& expected) {
  EXPECT_EQ(actual.Tag, expected.Tag);
  EXPECT_EQ(actual.Headers, expected.Headers);
  EXPECT_EQ(actual.RawData, expected.RawData);
  ASSERT_EQ(actual.Chunks.size(), expected.Chunks.size());
  for (size_t i = 0; i < actual.Chunks.size(); ++i) {
    ExpectSameTree(*actual.Chunks[i], *expected.Chunks[i]);
  }
}

class WorkedExampleTest : public testing::TestWithParam<Example> {};

TEST_P(WorkedExampleTest, SavesToTheBytesShown) {
  EXPECT_EQ(GetParam().Make()->SaveToString(), GetParam().Bytes);
}

TEST_P(WorkedExampleTest, LoadsIntoTheChunkItWasSavedFrom) {
  TDIFFChunk loaded;
  loaded.LoadFromString(GetParam().Bytes);
  ExpectSameTree(loaded, *GetParam().Make());
  EXPECT_EQ(loaded.SaveToString(), GetParam().Bytes);
}

INSTANTIATE_TEST_SUITE_P(Examples, WorkedExampleTest,
                         testing::Values(Example{"Record", MakeRecord, test::kRecordExample},
                                         Example{"Root", MakeRoot, test::kRootExample},
                                         Example{"Created",
                                                 [] { return std::make_unique<TDIFFChunk>(); },
                                                 test::kCreatedExample}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(WorkedExampleTest, TheExamplesHaveTheSizesShown) {
  EXPECT_EQ(test::kRecordExample.size(), 36U);
  EXPECT_EQ(test::kRootExample.size(), 52U);
}

TEST(PackingTest, PackLongWordIsLittleEndian) {
  EXPECT_EQ(PackLongWord(0), std::string(4, '\0'));
  EXPECT_EQ(PackLongWord(0x12345678), "\x78\x56\x34\x12");
  EXPECT_EQ(PackLongWord(0xFFFFFFFF), "\xFF\xFF\xFF\xFF");
  EXPECT_EQ(PackLongWord(0x80), std::string("\x80\0\0\0", 4));
}

TEST(PackingTest, PackStringPrefixesTheLength) {
  EXPECT_EQ(PackString(""), std::string(4, '\0'));
  EXPECT_EQ(PackString(std::string("a\0b", 3)), std::string("\x03\0\0\0a\0b", 7));
  const std::string big(300, 'x');
  EXPECT_EQ(PackString(big), std::string("\x2C\x01\0\0", 4) + big);
}

// The writer's layout with every part present: header block, chunk list block and raw data,
// with nested children, each block sized exactly.
TEST(SaveTest, WritesEveryBlockWithExactSizes) {
  TDIFFChunk root;
  root.Tag = "R(1)~";
  root.AddHeader("k", "v");
  root.AddHeader("", "");
  root.RawData = std::string("raw\0", 4);
  TDIFFChunk& child = root.NewChunk();
  child.Tag = "CHILD";
  child.RawData = "c";
  TDIFFChunk& second = root.NewChunk();
  second.Tag = "NEST0";
  TDIFFChunk& grandchild = second.NewChunk();
  grandchild.Tag = "LEAF0";
  grandchild.AddHeader("g", std::string("\xFF\0", 2));

  const std::string expected = Chunk(
      PackTag("R(1)~", true, true),
      HeaderBlock({{"k", "v"}, {"", ""}}) +
          ChunkListBlock(
              {Chunk(PackTag("CHILD", false, false), "c"),
               Chunk(PackTag("NEST0", true, false),
                     ChunkListBlock({Chunk(PackTag("LEAF0", false, true),
                                           HeaderBlock({{"g", std::string("\xFF\0", 2)}}))}))}) +
          std::string("raw\0", 4));
  EXPECT_EQ(root.SaveToString(), expected);

  TDIFFChunk loaded;
  loaded.LoadFromString(expected);
  ExpectSameTree(loaded, root);
}

TEST(SaveTest, AnEntryWithEmptyNameAndDataIsEightZeroBytes) {
  TDIFFChunk chunk;
  chunk.Tag = "EMPTY";
  chunk.AddHeader("", "");
  const std::string saved = chunk.SaveToString();
  ASSERT_EQ(saved.size(), 24U);
  EXPECT_EQ(saved.substr(8), U32(12) + U32(1) + std::string(8, '\0'));

  TDIFFChunk loaded;
  loaded.LoadFromString(saved);
  EXPECT_EQ(loaded.Headers, (THeaderEntries{{"", ""}}));
}

struct BadTree {
  const char* Name;
  std::function<void(TDIFFChunk&)> Build;
  size_t ReportedLength;
  std::string ReportedTag;
};

// Names the case in failure reports.
void PrintTo(const BadTree& value, std::ostream* os) { *os << value.Name; }

class SaveBadTagTest : public testing::TestWithParam<BadTree> {};

// The first bad tag met, children depth first before their parent, is the one reported.
TEST_P(SaveBadTagTest, ReportsTheFirstBadTagInSavingOrder) {
  TDIFFChunk root;
  root.Tag = "ROOT0";
  GetParam().Build(root);
  const std::string expected = "DIFF tag must be 5 characters; cannot pack from " +
                               std::to_string(GetParam().ReportedLength) + "-char string \"" +
                               GetParam().ReportedTag + "\".";
  try {
    (void)root.SaveToString();
    FAIL() << "saved a tree with a bad tag";
  } catch (const EDIFFParseError& error) {
    EXPECT_EQ(error.Message(), expected);
  }
  MemoryStream stream("kept");
  stream.SetPosition(2);
  EXPECT_THROW(root.SaveToStream(stream), EDIFFParseError);
  EXPECT_EQ(stream.Bytes(), "kept");
  EXPECT_EQ(stream.Position(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Trees, SaveBadTagTest,
    testing::Values(BadTree{"ChildOfFour", [](TDIFFChunk& r) { r.NewChunk().Tag = "ABCD"; }, 4,
                            "ABCD"},
                    BadTree{"RootOfSix", [](TDIFFChunk& r) { r.Tag = "ROOT00"; }, 6, "ROOT00"},
                    BadTree{"ChildBeforeRoot",
                            [](TDIFFChunk& r) {
                              r.Tag = "R";
                              r.NewChunk().Tag = "ABCD";
                            },
                            4, "ABCD"},
                    BadTree{"FirstOfTwoChildren",
                            [](TDIFFChunk& r) {
                              r.NewChunk().Tag = "GOOD0";
                              r.NewChunk().Tag = "AB";
                              r.NewChunk().Tag = "ABCDEFG";
                            },
                            2, "AB"},
                    BadTree{"GrandchildBeforeChild",
                            [](TDIFFChunk& r) {
                              TDIFFChunk& child = r.NewChunk();
                              child.Tag = "CHILD00";
                              child.NewChunk().Tag = std::string("G\0\x85", 3);
                            },
                            3, std::string("G\0\x85", 3)},
                    BadTree{"EmptyTagOfNewChunk", [](TDIFFChunk& r) { r.NewChunk(); }, 0, ""}),
    [](const auto& info) { return std::string(info.param.Name); });

// An installer-shaped archive, assembled field by field: a root with one record per file, each
// carrying RelPath, Filetime and Content.
TEST(ArchiveTest, LoadsIntoRecordsAndSavesBackToTheSameBytes) {
  const std::vector<std::string> paths = {"drv\\a.inf", "drv\\a.cat", "drv\\x64\\a.sys"};
  std::vector<std::string> records;
  std::vector<std::string> contents;
  for (size_t i = 0; i < paths.size(); ++i) {
    contents.push_back(test::AllByteValues() + std::string(i * 1000, static_cast<char>(i)));
    records.push_back(test::FileRecord(paths[i], U32(0x01D2C3B4) + U32(static_cast<uint32_t>(i)),
                                       contents.back()));
  }
  const std::string archive = Chunk(test::kFilesWithList, ChunkListBlock(records));

  TDIFFChunk root;
  root.LoadFromString(archive);
  EXPECT_EQ(root.Tag, "FILES");
  ASSERT_EQ(root.Chunks.size(), paths.size());
  for (size_t i = 0; i < paths.size(); ++i) {
    const TDIFFChunk& record = *root.Chunks[i];
    EXPECT_EQ(record.Tag, "1FILE");
    EXPECT_EQ(record.GetHeaderValue("RelPath"), paths[i]);
    EXPECT_EQ(record.GetHeaderValue("Filetime").size(), 8U);
    EXPECT_EQ(record.GetHeaderValue("Content"), contents[i]);
  }
  EXPECT_EQ(root.SaveToString(), archive);
}

}  // namespace
}  // namespace tolma
