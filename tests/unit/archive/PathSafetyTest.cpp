#include <gtest/gtest.h>

#include <string>

#include "ArchiveFixture.h"
#include "installer/EmbeddedArchive.h"
#include "installer/PathSafety.h"

namespace tolma {
namespace {

using namespace testing_archive;

constexpr std::string_view kRoot = "C:\\Program Files (x86)\\TOLMA\\Common Drivers\\";

// A lead-byte test of a double-byte code page in which 0x81 to 0x9F start a character.
bool ShiftJisLead(unsigned char byte) { return byte >= 0x81 && byte <= 0x9F; }

struct PathCase {
  const char* Name;
  std::string RelPath;
  const char* Reason;  // a piece of the reason; null for a safe path
};

class RelPathRule : public testing::TestWithParam<PathCase> {};

TEST_P(RelPathRule, JudgesThePath) {
  const std::optional<std::string> reason =
      UnsafeRelPathReason(GetParam().RelPath, kRoot, NoLeadBytes);
  if (GetParam().Reason == nullptr) {
    EXPECT_EQ(reason, std::nullopt);
  } else {
    ASSERT_TRUE(reason.has_value());
    EXPECT_NE(reason->find(GetParam().Reason), std::string::npos) << *reason;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Safe, RelPathRule,
    testing::Values(PathCase{"FileName", "drv.inf", nullptr},
                    PathCase{"SubFolders", "x64\\win10\\drv.sys", nullptr},
                    PathCase{"LeadingDot", ".hidden", nullptr},
                    PathCase{"InnerDots", "a..b\\c...d.inf", nullptr},
                    PathCase{"InnerSpace", "My Driver\\set up.inf", nullptr},
                    PathCase{"DeviceNameAsPrefix", "CONFIG.SYS", nullptr},
                    PathCase{"DeviceNameWithDigitSuffix", "COM10.inf", nullptr},
                    PathCase{"LptZero", "LPT0.inf", nullptr},
                    PathCase{"DeviceNameInside", "ACON.inf", nullptr},
                    PathCase{"NulAsExtension", "file.nul", nullptr},
                    PathCase{"Windows1252Letters", "Tr\xE9iber\\\xC4nderung.inf", nullptr},
                    PathCase{"HighBytes", "\x80\x85\xFF.dll", nullptr}),
    [](const testing::TestParamInfo<PathCase>& info) { return info.param.Name; });

INSTANTIATE_TEST_SUITE_P(
    Unsafe, RelPathRule,
    testing::Values(
        PathCase{"Empty", "", "empty name"}, PathCase{"LeadingBackslash", "\\x.inf", "empty name"},
        PathCase{"TrailingBackslash", "sub\\", "empty name"},
        PathCase{"DoubledBackslash", "sub\\\\x.inf", "empty name"},
        PathCase{"Dot", ".", "\".\" segment"}, PathCase{"DotDot", "..", "\"..\" segment"},
        PathCase{"DotInside", "a\\.\\b.inf", "\".\" segment"},
        PathCase{"EscapeToSystem32", "..\\..\\Windows\\System32\\x.dll", "\"..\" segment"},
        PathCase{"DotDotAtTheEnd", "sub\\..", "\"..\" segment"},
        PathCase{"Drive", "C:\\x", "\":\""}, PathCase{"DriveRelative", "C:x", "\":\""},
        PathCase{"AlternateStream", "a:stream", "\":\""}, PathCase{"Slash", "a/b.inf", "\"/\""},
        PathCase{"SlashUp", "../x", "\"/\""},
        PathCase{"UncStart", "\\\\server\\share\\x", "empty name"},
        PathCase{"Nul", std::string("a\0b", 3), "control byte 0x00"},
        PathCase{"ControlByte", "a\x01.inf", "control byte 0x01"},
        PathCase{"Byte1F", "a\x1F", "control byte 0x1F"},
        PathCase{"Tab", "a\tb", "control byte 0x09"}, PathCase{"Less", "a<b", "\"<\""},
        PathCase{"Greater", "a>b", "\">\""}, PathCase{"Quote", "a\"b", "\"\"\""},
        PathCase{"Bar", "a|b", "\"|\""}, PathCase{"Question", "a?b", "\"?\""},
        PathCase{"Star", "*.inf", "\"*\""}, PathCase{"TrailingDot", "drv.", "ending in \".\""},
        PathCase{"TrailingSpace", "drv.inf ", "ending in a space"},
        PathCase{"FolderTrailingDot", "sub.\\x.inf", "ending in \".\""},
        PathCase{"FolderTrailingSpace", "sub \\x.inf", "ending in a space"},
        PathCase{"Con", "CON", "device"}, PathCase{"ConLower", "con", "device"},
        PathCase{"ConWithExtension", "Con.inf", "device"},
        PathCase{"ConTwoExtensions", "con.tar.gz", "device"},
        PathCase{"ConSpaceExtension", "CON .txt", "device"}, PathCase{"Prn", "prn.log", "device"},
        PathCase{"Aux", "sub\\AUX", "device"}, PathCase{"NulFolder", "nul\\x.inf", "device"},
        PathCase{"Com1", "COM1", "device"}, PathCase{"Com9", "com9.sys", "device"},
        PathCase{"Lpt1", "lpt1.inf", "device"}, PathCase{"Lpt9", "x\\LPT9", "device"},
        PathCase{"ComSuperscript", "COM\xB9.inf", "device"},
        PathCase{"LptSuperscript", "lpt\xB3", "device"}),
    [](const testing::TestParamInfo<PathCase>& info) { return info.param.Name; });

TEST(RelPathRule, LimitsTheFullPathTo259Bytes) {
  const std::string longest(kMaxFullPathLength - kRoot.size(), 'a');
  EXPECT_EQ(UnsafeRelPathReason(longest, kRoot, NoLeadBytes), std::nullopt);
  const std::optional<std::string> reason = UnsafeRelPathReason(longest + "a", kRoot, NoLeadBytes);
  ASSERT_TRUE(reason.has_value());
  EXPECT_EQ(*reason, "makes a full path of 260 bytes, more than 259");
  // The same name is fine under a shorter root.
  EXPECT_EQ(UnsafeRelPathReason(longest + "a", "C:\\D\\", NoLeadBytes), std::nullopt);
}

TEST(RelPathRule, MeasuresTheWholeFullPathAcrossFolders) {
  const std::string relPath =
      std::string(100, 'a') + "\\" + std::string(100, 'b') + "\\" + std::string(50, 'c');
  EXPECT_NE(UnsafeRelPathReason(relPath, kRoot, NoLeadBytes), std::nullopt);
  EXPECT_EQ(UnsafeRelPathReason(relPath, "", NoLeadBytes), std::nullopt);
}

struct DoubleByteCase {
  const char* Name;
  std::string RelPath;
  bool SafeInDoubleByteCodePage;
  bool SafeByteByByte;
};

class DoubleByteRule : public testing::TestWithParam<DoubleByteCase> {};

TEST_P(DoubleByteRule, ATrailByteIsNeverASeparatorOrBar) {
  EXPECT_EQ(!UnsafeRelPathReason(GetParam().RelPath, kRoot, ShiftJisLead),
            GetParam().SafeInDoubleByteCodePage);
  EXPECT_EQ(!UnsafeRelPathReason(GetParam().RelPath, kRoot, NoLeadBytes),
            GetParam().SafeByteByByte);
}

INSTANTIATE_TEST_SUITE_P(
    Characters, DoubleByteRule,
    testing::Values(DoubleByteCase{"TrailBackslashEndsAName", "dir\x83\\\\x.inf", true, false},
                    DoubleByteCase{"TrailBackslashAtTheEnd", "x\x83\\", true, false},
                    DoubleByteCase{"TrailBar", "a\x83|.inf", true, false},
                    DoubleByteCase{"TrailBackslashThenDotDot", "\x83\\..", false, false},
                    DoubleByteCase{"DanglingLeadByte", "x.inf\x83", false, true},
                    DoubleByteCase{"LeadByteBeforeDot", "\x83\x40.", false, false},
                    DoubleByteCase{"DeviceNameWithDoubleByteExtension", "CON.\x83\x40", false,
                                   false},
                    DoubleByteCase{"DoubleByteAfterDeviceName", "CON\x83\x40", true, true}),
    [](const testing::TestParamInfo<DoubleByteCase>& info) { return info.param.Name; });

TEST(ArchiveHasUnsafeRecord, FindsOneUnsafeRecordAmongSafeOnes) {
  auto root = TwoRecordArchive();
  EXPECT_FALSE(ArchiveHasUnsafeRecord(*root, kRoot));
  root->AddChunk(MakeFileRecord("..\\..\\Windows\\System32\\evil.dll", kTime1, "x"));
  root->AddChunk(MakeFileRecord("last.inf", kTime1, "x"));
  EXPECT_TRUE(ArchiveHasUnsafeRecord(*root, kRoot));
}

TEST(ArchiveHasUnsafeRecord, IgnoresChildrenTheInstallerSkips) {
  auto root = TwoRecordArchive();
  root->AddChunk(
      Chunk("1FILE", {{"RelPath", "..\\x.dll"}, {"Filetime", "7 byte"}, {"Content", "x"}}));
  root->AddChunk(Chunk("1FILE", {{"RelPath", "C:\\x.dll"}, {"Filetime", FiletimeBytes(kTime1)}}));
  root->AddChunk(Chunk(
      "OTHER", {{"RelPath", "\\x.dll"}, {"Filetime", FiletimeBytes(kTime1)}, {"Content", "x"}}));
  auto folder = Chunk("DIR  ", {});
  folder->AddChunk(MakeFileRecord("..\\deep.dll", kTime1, "x"));
  root->AddChunk(std::move(folder));
  EXPECT_FALSE(ArchiveHasUnsafeRecord(*root, kRoot));
}

TEST(ArchiveHasUnsafeRecord, MeasuresTheFullPathUnderTheGivenRoot) {
  auto root = Root();
  root->AddChunk(MakeFileRecord(std::string(200, 'a') + ".inf", kTime1, "x"));
  EXPECT_FALSE(ArchiveHasUnsafeRecord(*root, "C:\\Program Files\\TOLMA\\Common Drivers\\"));
  EXPECT_TRUE(ArchiveHasUnsafeRecord(*root, "C:\\" + std::string(60, 'p') + "\\"));
}

TEST(ArchiveHasUnsafeRecord, UsesTheLeadByteTestItIsGiven) {
  auto root = Root();
  root->AddChunk(MakeFileRecord("x\x83\\", kTime1, "x"));
  EXPECT_TRUE(ArchiveHasUnsafeRecord(*root, kRoot));
  EXPECT_FALSE(ArchiveHasUnsafeRecord(*root, kRoot, ShiftJisLead));
}

}  // namespace
}  // namespace tolma
