#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "TestStub.h"
#include "container/DIFFChunks.h"
#include "tools/driverpack/PeImage.h"
#include "tools/driverpack/ToolError.h"

namespace tolma::driverpack {
namespace {

using namespace testing_driverpack;

void Put16(std::string& file, size_t at, uint16_t value) {
  file[at] = static_cast<char>(value & 0xFFU);
  file[at + 1] = static_cast<char>(value >> 8U);
}
void Put32(std::string& file, size_t at, uint32_t value) {
  file.replace(at, 4, PackLongWord(value));
}

// Where the test stub keeps its fields.
constexpr size_t kPe = 0x80;
constexpr size_t kOptional = kPe + 24;
constexpr size_t kSection = kOptional + 0xE0;

TEST(ReadPeLayout, FindsTheEndOfTheImage) {
  const PeLayout layout = ReadPeLayout(MakeStub());
  EXPECT_EQ(layout.ImageEnd, kStubSize);
  EXPECT_EQ(layout.CertificateOffset, 0U);
  EXPECT_EQ(layout.CertificateSize, 0U);
}

TEST(ReadPeLayout, ADataTailIsNotPartOfTheImage) {
  EXPECT_EQ(ReadPeLayout(MakeStub({1, "XXXX", std::string(100, 'x')})).ImageEnd, kStubSize);
}

TEST(ReadPeLayout, ReadsTheCertificateTableEntry) {
  const std::string signed_ = AttachCertificateTable(MakeStub({1, "XXXX", "abc"}), 64);
  const PeLayout layout = ReadPeLayout(signed_);
  EXPECT_EQ(layout.CertificateOffset, kStubSize + 8);
  EXPECT_EQ(layout.CertificateSize, 64U);
  EXPECT_EQ(layout.ImageEnd, kStubSize);
}

TEST(ReadPeLayout, ReadsPe32Plus) {
  std::string file = WithCertificateEntry(MakeStub(), 0x1234, 0x20);
  Put16(file, kOptional, 0x20B);
  // PE32+ keeps its directory count at 108 and the directories from 112.
  Put32(file, kOptional + 108, 16);
  Put32(file, kOptional + 112 + 32, 0x5678);
  Put32(file, kOptional + 112 + 36, 0x40);
  const PeLayout layout = ReadPeLayout(file);
  EXPECT_EQ(layout.CertificateOffset, 0x5678U);
  EXPECT_EQ(layout.CertificateSize, 0x40U);
}

TEST(ReadPeLayout, TheLatestSectionEndCountsWhateverTheOrder) {
  std::string file = MakeStub() + std::string(0x200, 'z');
  Put16(file, kPe + 6, 2);
  // A second section header, behind the first, whose data lies before the first one's.
  file.replace(kSection + 40, 5, ".text");
  Put32(file, kSection + 40 + 16, 0x100);
  Put32(file, kSection + 40 + 20, 0x200);
  EXPECT_EQ(ReadPeLayout(file).ImageEnd, kStubSize);
  Put32(file, kSection + 40 + 20, 0x400);
  EXPECT_EQ(ReadPeLayout(file).ImageEnd, 0x500U);
}

TEST(ReadPeLayout, FewerThanFiveDirectoriesHaveNoCertificateTable) {
  std::string file = WithCertificateEntry(MakeStub(), 0x1234, 0x20);
  Put32(file, kOptional + 92, 4);
  EXPECT_EQ(ReadPeLayout(file).CertificateSize, 0U);
}

struct BrokenCase {
  const char* Name;
  std::function<std::string()> Make;
  const char* Reason;
};

class BrokenExecutable : public testing::TestWithParam<BrokenCase> {};

TEST_P(BrokenExecutable, IsRefusedWithItsReason) {
  try {
    (void)ReadPeLayout(GetParam().Make());
    FAIL() << "accepted";
  } catch (const ToolError& error) {
    EXPECT_EQ(error.Message(), std::string("not a Windows executable: ") + GetParam().Reason);
  }
}

std::string Changed(const std::function<void(std::string&)>& change) {
  std::string file = MakeStub();
  change(file);
  return file;
}

INSTANTIATE_TEST_SUITE_P(
    Files, BrokenExecutable,
    testing::Values(
        BrokenCase{"Empty", [] { return std::string(); }, "the file ends before its DOS header"},
        BrokenCase{"TextFile", [] { return std::string("just text, no program"); },
                   "no MZ signature"},
        BrokenCase{"ShortDosHeader", [] { return MakeStub().substr(0, 0x3E); },
                   "the file ends before its DOS header"},
        BrokenCase{"PeHeaderFarAway",
                   [] { return Changed([](std::string& f) { Put32(f, 0x3C, 0xFFFFFFF0); }); },
                   "the file ends before its PE signature"},
        BrokenCase{"NoPeSignature",
                   [] { return Changed([](std::string& f) { f[kPe + 1] = 'X'; }); },
                   "no PE signature"},
        BrokenCase{"NoSections",
                   [] { return Changed([](std::string& f) { Put16(f, kPe + 6, 0); }); },
                   "no sections"},
        BrokenCase{"UnknownMagic",
                   [] { return Changed([](std::string& f) { Put16(f, kOptional, 0x107); }); },
                   "unknown optional header"},
        BrokenCase{"OptionalHeaderTooShort",
                   [] { return Changed([](std::string& f) { Put16(f, kPe + 20, 0x40); }); },
                   "optional header too short"},
        BrokenCase{"SectionTableBeyondTheFile",
                   [] { return Changed([](std::string& f) { Put16(f, kPe + 6, 0xFFFF); }); },
                   "the file ends before its section table"},
        BrokenCase{
            "SectionDataBeyondTheFile",
            [] { return Changed([](std::string& f) { Put32(f, kSection + 16, 0xFFFFFFFF); }); },
            "its sections end at 4294967807, beyond its 1024 bytes"},
        BrokenCase{"TruncatedSection", [] { return MakeStub().substr(0, 0x3FF); },
                   "its sections end at 1024, beyond its 1023 bytes"}),
    [](const testing::TestParamInfo<BrokenCase>& info) { return info.param.Name; });

}  // namespace
}  // namespace tolma::driverpack
