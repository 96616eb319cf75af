#include <gtest/gtest.h>

#include <string>

#include "ArchiveFixture.h"
#include "installer/ArchiveWriter.h"
#include "installer/EmbeddedArchive.h"

namespace tolma {
namespace {

using namespace testing_archive;

TEST(MakeFileRecord, WritesTheThreeEntriesInOrder) {
  const auto record = MakeFileRecord("a.inf", kTime1, "data");
  EXPECT_EQ(record->Tag, "1FILE");
  const THeaderEntries expected = {{"RelPath", "a.inf"},
                                   {"Filetime", std::string("\x00\x86\x79\x6A\xCD\x82\xD0\x01", 8)},
                                   {"Content", "data"}};
  EXPECT_EQ(record->Headers, expected);
  EXPECT_TRUE(record->Chunks.empty());
  // Header present, no chunk list: the tag word 45 9F 58 7A.
  EXPECT_EQ(record->SaveToString().substr(0, 4), "\x45\x9F\x58\x7A");
}

struct PackageCase {
  const char* Name;
  std::vector<std::pair<std::string, std::string>> Files;  // relative path, content
};

class StreamedArchive : public testing::TestWithParam<PackageCase> {};

TEST_P(StreamedArchive, EqualsTheContainersOwnBytesAndSizes) {
  auto root = Root();
  std::string streamed;
  uint64_t recordsSize = 0;
  for (const auto& [relPath, content] : GetParam().Files) {
    auto record = MakeFileRecord(relPath, kTime2, content);
    const std::string bytes = record->SaveToString();
    EXPECT_EQ(bytes.size(), FileRecordSize(relPath.size(), content.size()));
    recordsSize += bytes.size();
    streamed += bytes;
    root->AddChunk(std::move(record));
  }
  streamed = ArchiveHead(static_cast<uint32_t>(GetParam().Files.size()), recordsSize) + streamed;
  const std::string whole = root->SaveToString();
  EXPECT_EQ(streamed, whole);
  EXPECT_EQ(ArchiveSize(recordsSize), whole.size());
  // The root's head: chunk list present, no header.
  EXPECT_EQ(whole.substr(0, 4), "\x7E\x62\xE9\xB1");
}

INSTANTIATE_TEST_SUITE_P(Packages, StreamedArchive,
                         testing::Values(PackageCase{"OneFile", {{"a.inf", "x"}}},
                                         PackageCase{"ThreeFiles",
                                                     {{"drv.cat", std::string(300, 'c')},
                                                      {"drv.inf", "[Version]"},
                                                      {"x64\\drv.sys", std::string(70000, '\0')}}}),
                         [](const testing::TestParamInfo<PackageCase>& info) {
                           return info.param.Name;
                         });

TEST(ArchiveHead, RefusesMoreRecordBytesThanTheFormatCarries) {
  EXPECT_NO_THROW((void)ArchiveHead(1, kMaxRecordsSize));
  EXPECT_THROW((void)ArchiveHead(1, kMaxRecordsSize + 1), Exception);
  // The largest archive declares the largest payload a chunk can have.
  EXPECT_EQ(ArchiveHead(1, kMaxRecordsSize).substr(4, 4), "\xFF\xFF\xFF\xFF");
}

}  // namespace
}  // namespace tolma
