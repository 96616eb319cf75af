#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ArchiveFixture.h"
#include "installer/EmbeddedArchive.h"
#include "installer/Errors.h"
#include "platform/sim/SimVolume.h"

namespace tolma {
namespace {

using namespace testing_archive;

constexpr std::string_view kRoot = "C:\\Program Files\\TOLMA\\Common Drivers\\";

// The full path of a record below the install root.
std::string Under(std::string_view relPath) { return std::string(kRoot) + std::string(relPath); }

const TFileDatas& ExpectedRecords() {
  static const TFileDatas records = {
      {Under("drv.inf"), "[Version]\r\n", kTime1},
      {Under("x64\\drv.sys"), std::string("MZ\0\x01", 4), kTime2},
  };
  return records;
}

class LoadEmbeddedArchiveTest : public testing::Test {
 protected:
  // The image ends in 0xFF bytes, so a head read from a position just before the archive
  // declares an impossible size.
  const std::string image = std::string(0x600, '\x4D') + std::string(0x200, '\xFF');
  const std::string archive = TwoRecordArchive()->SaveToString();
  sim::SimVolume volume;

  void PlaceProgram(const std::string& bytes) { volume.AddFile(volume.OwnModulePath(), bytes); }

  TFileDatas Collected(int32_t offset) {
    const std::unique_ptr<TDIFFChunk> root = LoadEmbeddedArchive(volume, offset);
    TFileDatas records;
    if (root) CollectFileRecords(records, *root, std::string(kRoot));
    return records;
  }
};

TEST_F(LoadEmbeddedArchiveTest, LoadsTheArchiveAtItsOffset) {
  PlaceProgram(image + archive);
  const std::unique_ptr<TDIFFChunk> root =
      LoadEmbeddedArchive(volume, static_cast<int32_t>(image.size()));
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->SaveToString(), archive);
  EXPECT_EQ(Collected(static_cast<int32_t>(image.size())), ExpectedRecords());
}

TEST_F(LoadEmbeddedArchiveTest, OffsetZeroNeverOpensTheFile) {
  // No program file exists: opening it would raise.
  EXPECT_EQ(LoadEmbeddedArchive(volume, 0), nullptr);
}

TEST_F(LoadEmbeddedArchiveTest, AMissingProgramFileRaisesTheOpenError) {
  try {
    LoadEmbeddedArchive(volume, 0x800);
    FAIL() << "no exception";
  } catch (const EFileOpenError& error) {
    EXPECT_EQ(error.Message(), "Cannot open file " + volume.OwnModulePath());
  }
}

TEST_F(LoadEmbeddedArchiveTest, AProgramFileHeldByAnotherProgramRaisesTheOpenError) {
  PlaceProgram(image + archive);
  volume.SetInUse(volume.OwnModulePath(), true);
  EXPECT_THROW(LoadEmbeddedArchive(volume, static_cast<int32_t>(image.size())), EFileOpenError);
}

// Offsets that do not lead to an archive, counted from the archive's start, from the file's
// end or from 0.
enum class From { Archive, FileEnd, Zero };
struct OffsetCase {
  const char* Name;
  From Base;
  int64_t Delta;
};

class LoadAtWrongOffset : public LoadEmbeddedArchiveTest,
                          public testing::WithParamInterface<OffsetCase> {};

TEST_P(LoadAtWrongOffset, GivesNone) {
  const std::string file = image + archive;
  PlaceProgram(file);
  const int64_t base = GetParam().Base == From::Archive   ? static_cast<int64_t>(image.size())
                       : GetParam().Base == From::FileEnd ? static_cast<int64_t>(file.size())
                                                          : 0;
  EXPECT_EQ(LoadEmbeddedArchive(volume, static_cast<int32_t>(base + GetParam().Delta)), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Offsets, LoadAtWrongOffset,
                         testing::Values(OffsetCase{"OneBeforeTheArchive", From::Archive, -1},
                                         OffsetCase{"OneIntoTheArchive", From::Archive, 1},
                                         OffsetCase{"AtTheEnd", From::FileEnd, 0},
                                         OffsetCase{"OneBeforeTheEnd", From::FileEnd, -1},
                                         OffsetCase{"SevenBeforeTheEnd", From::FileEnd, -7},
                                         OffsetCase{"EightBeforeTheEnd", From::FileEnd, -8},
                                         OffsetCase{"OneBeyondTheEnd", From::FileEnd, 1},
                                         OffsetCase{"FarBeyondTheEnd", From::FileEnd, 0x100000},
                                         OffsetCase{"LargestOffset", From::Zero, 0x7FFFFFFF}),
                         [](const testing::TestParamInfo<OffsetCase>& info) {
                           return info.param.Name;
                         });

TEST_F(LoadEmbeddedArchiveTest, EightBytesOfAnEmptyChunkAtTheEndLoadAsAnEmptyRoot) {
  PlaceProgram(image + archive + std::string(8, '\0'));
  const auto offset = static_cast<int32_t>(image.size() + archive.size());
  const std::unique_ptr<TDIFFChunk> root = LoadEmbeddedArchive(volume, offset);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Tag, std::string(5, '\0'));
  EXPECT_TRUE(root->Chunks.empty());
}

TEST_F(LoadEmbeddedArchiveTest, ADeclaredSizeBeyondTheFileGivesNone) {
  PlaceProgram(image + archive.substr(0, archive.size() - 1));
  EXPECT_EQ(LoadEmbeddedArchive(volume, static_cast<int32_t>(image.size())), nullptr);
}

TEST_F(LoadEmbeddedArchiveTest, MalformedRecordBytesGiveNone) {
  std::string broken = archive;
  // The first record's header block size (root head 8 + list head 8 + record head 8) claims
  // more than its payload holds.
  broken[24] = '\x7F';
  PlaceProgram(image + broken);
  EXPECT_EQ(LoadEmbeddedArchive(volume, static_cast<int32_t>(image.size())), nullptr);
}

// What follows the archive: nothing, zero padding, a certificate table, more chunks.
struct TrailerCase {
  const char* Name;
  std::string Bytes;
};

class LoadWithTrailer : public LoadEmbeddedArchiveTest,
                        public testing::WithParamInterface<TrailerCase> {};

TEST_P(LoadWithTrailer, ChangesNothing) {
  PlaceProgram(image + archive + GetParam().Bytes);
  const auto offset = static_cast<int32_t>(image.size());
  const std::unique_ptr<TDIFFChunk> root = LoadEmbeddedArchive(volume, offset);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->SaveToString(), archive);
  EXPECT_EQ(Collected(offset), ExpectedRecords());
}

std::string CertificateTable() {
  // A WIN_CERTIFICATE head (length, revision 2.0, PKCS#7 type) and signature bytes.
  std::string table = PackLongWord(16264) + std::string("\x00\x02\x02\x00", 4);
  for (size_t i = table.size(); i < 16264; ++i) table += static_cast<char>(i * 7 + 3);
  return table;
}

INSTANTIATE_TEST_SUITE_P(
    Trailers, LoadWithTrailer,
    testing::Values(TrailerCase{"Nothing", ""},
                    TrailerCase{"ZeroPaddingAndCertificateTable",
                                std::string(5, '\0') + CertificateTable()},
                    TrailerCase{"AnotherArchive", TwoRecordArchive()->SaveToString()},
                    TrailerCase{"OnesUpToAMegabyte", std::string(0x100000, '\xFF')}),
    [](const testing::TestParamInfo<TrailerCase>& info) { return info.param.Name; });

TEST_F(LoadEmbeddedArchiveTest, ARootWithAnotherTagIsReadJustTheSame) {
  auto root = Root("ABCDE");
  const auto source = TwoRecordArchive();
  for (auto& child : source->Chunks) root->AddChunk(std::move(child));
  PlaceProgram(image + root->SaveToString());
  EXPECT_EQ(Collected(static_cast<int32_t>(image.size())), ExpectedRecords());
}

}  // namespace
}  // namespace tolma
