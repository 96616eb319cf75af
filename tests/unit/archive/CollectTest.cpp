#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "ArchiveFixture.h"
#include "installer/EmbeddedArchive.h"

namespace tolma {
namespace {

using namespace testing_archive;

constexpr std::string_view kRoot = "C:\\Program Files (x86)\\TOLMA\\Common Drivers\\";

// The full path of a record below the install root.
std::string Under(std::string_view relPath) { return std::string(kRoot) + std::string(relPath); }

// The records collected from the tree as it stands; collecting them from a copy of the tree
// handed over whole, which is consumed on the way, must give the same.
TFileDatas Collect(const TDIFFChunk& root, TFileDatas records = {}) {
  TFileDatas fromConsumedCopy = records;
  CollectFileRecords(fromConsumedCopy, TDIFFChunk::CreateFromString(root.SaveToString()),
                     std::string(kRoot));
  CollectFileRecords(records, root, std::string(kRoot));
  EXPECT_EQ(fromConsumedCopy, records);
  return records;
}

std::string TimeBytes() { return FiletimeBytes(kTime1); }

// One child between two valid neighbours, and the record it yields, if any.
struct ChildCase {
  const char* Name;
  std::function<std::unique_ptr<TDIFFChunk>()> MakeChild;
  std::optional<TFileData> Expected;
};

class CollectOneChild : public testing::TestWithParam<ChildCase> {};

TEST_P(CollectOneChild, YieldsItsRecordOrSkipsIt) {
  auto root = Root();
  root->AddChunk(MakeFileRecord("before.inf", kTime2, "b"));
  root->AddChunk(GetParam().MakeChild());
  root->AddChunk(MakeFileRecord("after.inf", kTime2, "a"));

  TFileDatas expected = {{Under("before.inf"), "b", kTime2}};
  if (GetParam().Expected) expected.push_back(*GetParam().Expected);
  expected.push_back({Under("after.inf"), "a", kTime2});
  EXPECT_EQ(Collect(*root), expected);
  EXPECT_EQ(ReadFileRecord(*root->Chunks[1]).Record.has_value(), GetParam().Expected.has_value());
}

ChildCase Skipped(const char* name, const std::string& tag,
                  const std::vector<std::pair<std::string, std::string>>& entries) {
  return {name, [tag, entries] { return Chunk(tag, entries); }, std::nullopt};
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CollectOneChild,
    testing::Values(
        ChildCase{"Valid",
                  [] {
                    return Chunk(
                        "1FILE",
                        {{"RelPath", "sub\\x.cat"}, {"Filetime", TimeBytes()}, {"Content", "cat"}});
                  },
                  TFileData{Under("sub\\x.cat"), "cat", kTime1}},
        ChildCase{"EntriesInAnotherOrder",
                  [] {
                    return Chunk(
                        "1FILE",
                        {{"Content", "c"}, {"Filetime", TimeBytes()}, {"RelPath", "y.dll"}});
                  },
                  TFileData{Under("y.dll"), "c", kTime1}},
        ChildCase{"FirstOfTwoEqualNamesCounts",
                  [] {
                    return Chunk("1FILE", {{"RelPath", "first.inf"},
                                           {"RelPath", "second.inf"},
                                           {"Filetime", TimeBytes()},
                                           {"Filetime", "7 bytes"},
                                           {"Content", "one"},
                                           {"Content", ""}});
                  },
                  TFileData{Under("first.inf"), "one", kTime1}},
        ChildCase{"ExtraEntriesIgnored",
                  [] {
                    return Chunk("1FILE", {{"Comment", "x"},
                                           {"RelPath", "z.inf"},
                                           {"Filetime", TimeBytes()},
                                           {"Content", "z"}});
                  },
                  TFileData{Under("z.inf"), "z", kTime1}},
        Skipped("TagInLowerCase", "1file",
                {{"RelPath", "x.inf"}, {"Filetime", TimeBytes()}, {"Content", "x"}}),
        Skipped("RootTag", "FILES",
                {{"RelPath", "x.inf"}, {"Filetime", TimeBytes()}, {"Content", "x"}}),
        Skipped("RelPathMissing", "1FILE", {{"Filetime", TimeBytes()}, {"Content", "x"}}),
        Skipped("RelPathEmpty", "1FILE",
                {{"RelPath", ""}, {"Filetime", TimeBytes()}, {"Content", "x"}}),
        Skipped(
            "FirstRelPathEmpty", "1FILE",
            {{"RelPath", ""}, {"RelPath", "x.inf"}, {"Filetime", TimeBytes()}, {"Content", "x"}}),
        Skipped("RelPathNameInLowerCase", "1FILE",
                {{"relpath", "x.inf"}, {"Filetime", TimeBytes()}, {"Content", "x"}}),
        Skipped("FiletimeMissing", "1FILE", {{"RelPath", "x.inf"}, {"Content", "x"}}),
        Skipped("FiletimeOf7Bytes", "1FILE",
                {{"RelPath", "x.inf"}, {"Filetime", TimeBytes().substr(0, 7)}, {"Content", "x"}}),
        Skipped("FiletimeOf9Bytes", "1FILE",
                {{"RelPath", "x.inf"}, {"Filetime", TimeBytes() + "\x01"}, {"Content", "x"}}),
        Skipped("ContentMissing", "1FILE", {{"RelPath", "x.inf"}, {"Filetime", TimeBytes()}}),
        Skipped("ContentEmpty", "1FILE",
                {{"RelPath", "x.inf"}, {"Filetime", TimeBytes()}, {"Content", ""}}),
        ChildCase{"RecordInsideAnotherChunk",
                  [] {
                    auto folder = Chunk("DIR  ", {});
                    folder->AddChunk(MakeFileRecord("deep.inf", kTime1, "d"));
                    return folder;
                  },
                  std::nullopt}),
    [](const testing::TestParamInfo<ChildCase>& info) { return info.param.Name; });

TEST(CollectFileRecords, TakesTheTimeHalvesLittleEndian) {
  auto root = Root();
  root->AddChunk(Chunk("1FILE", {{"RelPath", "a.inf"},
                                 {"Filetime", std::string("\x00\x86\x79\x6A\xCD\x82\xD0\x01", 8)},
                                 {"Content", "a"}}));
  const TFileDatas records = Collect(*root);
  ASSERT_EQ(records.size(), 1U);
  EXPECT_EQ(records[0].FileTime.Low, 0x6A798600U);
  EXPECT_EQ(records[0].FileTime.High, 0x01D082CDU);
}

TEST(CollectFileRecords, AppendsTheRelPathUnchanged) {
  auto root = Root();
  root->AddChunk(MakeFileRecord("..\\x.dll", kTime1, "x"));
  root->AddChunk(MakeFileRecord("\\y.dll", kTime1, "y"));
  TFileDatas records;
  CollectFileRecords(records, *root, "C:\\Root");
  ASSERT_EQ(records.size(), 2U);
  EXPECT_EQ(records[0].FullPath, "C:\\Root..\\x.dll");
  EXPECT_EQ(records[1].FullPath, "C:\\Root\\y.dll");
}

TEST(CollectFileRecords, KeepsTwoRecordsOfOnePathInArchiveOrder) {
  auto root = Root();
  root->AddChunk(MakeFileRecord("same.inf", kTime1, "one"));
  root->AddChunk(MakeFileRecord("same.inf", kTime2, "two"));
  const TFileDatas expected = {{Under("same.inf"), "one", kTime1},
                               {Under("same.inf"), "two", kTime2}};
  EXPECT_EQ(Collect(*root), expected);
}

TEST(CollectFileRecords, AppendsBehindTheEntriesAlreadyHeld) {
  const TFileDatas held = {{"C:\\held.inf", "h", kTime2}};
  TFileDatas expected = held;
  expected.push_back({Under("drv.inf"), "[Version]\r\n", kTime1});
  expected.push_back({Under("x64\\drv.sys"), std::string("MZ\0\x01", 4), kTime2});
  EXPECT_EQ(Collect(*TwoRecordArchive(), held), expected);
}

TEST(CollectFileRecords, IgnoresTheRootsOwnEntriesAndRawDataAndLeavesItUnchanged) {
  auto root = TwoRecordArchive();
  root->AddHeader("RelPath", "root.inf");
  root->AddHeader("Content", "r");
  root->RawData = "raw";
  const std::string before = root->SaveToString();
  EXPECT_EQ(Collect(*root).size(), 2U);
  EXPECT_EQ(root->SaveToString(), before);
}

TEST(CollectFileRecords, AnEmptyRootAddsNothing) { EXPECT_TRUE(Collect(*Root()).empty()); }

TEST(ReadFileRecord, SaysWhyAChildIsSkipped) {
  EXPECT_EQ(ReadFileRecord(*Chunk("1file", {})).SkipReason, "its tag is not 1FILE");
  EXPECT_EQ(ReadFileRecord(*Chunk("1FILE", {})).SkipReason, "its RelPath is missing or empty");
  EXPECT_EQ(ReadFileRecord(*Chunk("1FILE", {{"RelPath", "a"}, {"Filetime", "1234567"}})).SkipReason,
            "its Filetime has 7 bytes instead of 8");
  EXPECT_EQ(
      ReadFileRecord(*Chunk("1FILE", {{"RelPath", "a"}, {"Filetime", TimeBytes()}})).SkipReason,
      "its Content is missing or empty");
  EXPECT_EQ(ReadFileRecord(*MakeFileRecord("a", kTime1, "c")).SkipReason, "");
}

}  // namespace
}  // namespace tolma
