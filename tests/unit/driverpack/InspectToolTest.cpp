#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ToolFixture.h"
#include "installer/ArchiveWriter.h"
#include "installer/EmbeddedArchive.h"

namespace tolma::testing_driverpack {
namespace {

constexpr platform::FileTime kTime{0x6A798600, 0x01D082CD};

std::unique_ptr<TDIFFChunk> Root() {
  auto root = std::make_unique<TDIFFChunk>();
  root->Tag = "FILES";
  return root;
}

std::unique_ptr<TDIFFChunk> GoodArchive() {
  auto root = Root();
  root->AddChunk(MakeFileRecord("drv.inf", kTime, "[Version]"));
  root->AddChunk(MakeFileRecord("x64\\drv.sys", kTime, "MZ"));
  return root;
}

// ---- What follows the archive --------------------------------------------------------------

struct TrailerCase {
  const char* Name;
  std::function<std::string(const std::string&)> Finish;  // from the packed installer
  int ExitCode;
  std::string Says;  // in the output or the error output
};

class VerifyTrailer : public ToolTest, public testing::WithParamInterface<TrailerCase> {};

TEST_P(VerifyTrailer, AcceptsOnlyNothingPaddingOrACertificateTable) {
  const std::string installer = work / "Setup.exe";
  WriteFile(installer, GetParam().Finish(PackedInstaller(*GoodArchive())));
  const ToolResult result = RunDriverpack({"verify", installer});
  EXPECT_EQ(result.ExitCode, GetParam().ExitCode) << result.Out << result.Err;
  EXPECT_NE((result.Out + result.Err).find(GetParam().Says), std::string::npos)
      << result.Out << result.Err;
  if (GetParam().ExitCode != 0) {
    EXPECT_NE(result.Err.find("driverpack: " + installer + ": verification failed\n"),
              std::string::npos);
  }
}

// The packed test installer is 1024 + 16 + 86 + 83 bytes, 7 short of a multiple of 8.
constexpr size_t kPacked = 1209;

INSTANTIATE_TEST_SUITE_P(
    Trailers, VerifyTrailer,
    testing::Values(
        TrailerCase{"Nothing", [](const std::string& f) { return f; }, 0,
                    "after the archive: nothing\n"},
        TrailerCase{"ZeroPadding", [](const std::string& f) { return f + std::string(7, '\0'); }, 0,
                    "after the archive: 7 bytes of zero padding\n"},
        TrailerCase{"Signed", [](const std::string& f) { return AttachCertificateTable(f, 16264); },
                    0,
                    "after the archive: 7 bytes of zero padding, then the certificate table "
                    "(16264 bytes); the archive ends before the certificate table, so the "
                    "signature covers it\n"},
        TrailerCase{"EightBytesOfPadding",
                    [](const std::string& f) { return f + std::string(8, '\0'); }, 1,
                    "8 bytes after the archive are neither zero padding nor a certificate table"},
        TrailerCase{"Data", [](const std::string& f) { return f + "tail"; }, 1,
                    "4 bytes after the archive are neither zero padding nor a certificate table"},
        TrailerCase{"NonZeroPaddingBeforeTheTable",
                    [](const std::string& f) { return AttachCertificateTable(f + "\x01", 64); }, 1,
                    "the 7 bytes between the archive and the certificate table are not zero "
                    "padding of at most 7 bytes"},
        TrailerCase{"TableTooFarBehind",
                    [](const std::string& f) {
                      return AttachCertificateTable(f + std::string(8, '\0'), 64);
                    },
                    1, "the 15 bytes between the archive and the certificate table"},
        TrailerCase{"TableInsideTheArchive",
                    [](const std::string& f) { return WithCertificateEntry(f, kPacked - 8, 8); }, 1,
                    "the certificate table at offset 1201 begins before the archive ends (at "
                    "1209): the file was signed before its archive was attached"},
        TrailerCase{"DataAfterTheTable",
                    [](const std::string& f) { return AttachCertificateTable(f, 64) + "more"; }, 1,
                    "4 bytes follow the certificate table"},
        TrailerCase{"TableBeyondTheEnd",
                    [](const std::string& f) {
                      return WithCertificateEntry(f + std::string(8, '\0'), kPacked + 7, 100);
                    },
                    1, "the certificate table runs 99 bytes past the end of the file"}),
    [](const testing::TestParamInfo<TrailerCase>& info) { return info.param.Name; });

TEST_F(ToolTest, ASignedInstallerListsAndExtractsAsBefore) {
  const std::string installer = work / "Setup.exe";
  WriteFile(installer, AttachCertificateTable(PackedInstaller(*GoodArchive()), 1000));
  const ToolResult list = RunDriverpack({"list", installer});
  EXPECT_EQ(list.ExitCode, 0) << list.Err;
  EXPECT_NE(list.Out.find("INF  drv.inf\n"), std::string::npos) << list.Out;
  const ToolResult extract = RunDriverpack({"extract", installer, work / "x"});
  EXPECT_EQ(extract.ExitCode, 0) << extract.Err;
  EXPECT_EQ(ReadFile(work / "x/x64/drv.sys"), "MZ");
}

// ---- Archives the installer would not write in full ----------------------------------------

struct ArchiveCase {
  const char* Name;
  std::function<std::unique_ptr<TDIFFChunk>()> MakeRoot;
  std::string Problem;
};

class FlawedArchive : public ToolTest, public testing::WithParamInterface<ArchiveCase> {
 protected:
  const std::string installer = work / "Setup.exe";
  void SetUp() override {
    ToolTest::SetUp();
    WriteFile(installer, PackedInstaller(*GetParam().MakeRoot()));
  }
};

TEST_P(FlawedArchive, FailsVerification) {
  const ToolResult result = RunDriverpack({"verify", installer});
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_NE(result.Err.find("driverpack: " + installer + ": " + GetParam().Problem + "\n"),
            std::string::npos)
      << result.Err;
}

TEST_P(FlawedArchive, IsNotExtracted) {
  const std::string target = work / "target";
  const ToolResult result = RunDriverpack({"extract", installer, target});
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_NE(result.Err.find(GetParam().Problem), std::string::npos) << result.Err;
  EXPECT_NE(result.Err.find("driverpack: nothing extracted\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(target));
}

std::unique_ptr<TDIFFChunk> GoodPlus(std::unique_ptr<TDIFFChunk> child) {
  auto root = GoodArchive();
  root->AddChunk(std::move(child));
  return root;
}

std::unique_ptr<TDIFFChunk> Chunk(std::string tag,
                                  const std::vector<std::pair<std::string, std::string>>& entries) {
  auto chunk = std::make_unique<TDIFFChunk>();
  chunk->Tag = std::move(tag);
  for (const auto& [name, data] : entries) chunk->AddHeader(name, data);
  return chunk;
}

INSTANTIATE_TEST_SUITE_P(
    Archives, FlawedArchive,
    testing::Values(
        ArchiveCase{
            "EscapingPath",
            [] { return GoodPlus(MakeFileRecord("..\\..\\Windows\\System32\\x.dll", kTime, "x")); },
            "child 3 has the unsafe path \"..\\..\\Windows\\System32\\x.dll\": it has a "
            "\"..\" segment; the installer refuses the whole archive"},
        ArchiveCase{"AbsolutePath",
                    [] { return GoodPlus(MakeFileRecord("C:\\x.dll", kTime, "x")); },
                    "child 3 has the unsafe path \"C:\\x.dll\": it contains \":\" (a drive or an "
                    "alternate data stream); the installer refuses the whole archive"},
        ArchiveCase{"RootedPath", [] { return GoodPlus(MakeFileRecord("\\x.dll", kTime, "x")); },
                    "child 3 has the unsafe path \"\\x.dll\": it has an empty name (a leading, "
                    "trailing or doubled \\); the installer refuses the whole archive"},
        ArchiveCase{"SkippedRecord",
                    [] {
                      return GoodPlus(
                          Chunk("1FILE",
                                {{"RelPath", "a.inf"}, {"Filetime", "1234567"}, {"Content", "x"}}));
                    },
                    "child 3 is skipped by the installer: its Filetime has 7 bytes instead of 8"},
        ArchiveCase{"OtherChunk", [] { return GoodPlus(Chunk("EXTRA", {})); },
                    "child 3 is skipped by the installer: its tag is not 1FILE"},
        ArchiveCase{"LetterCase", [] { return GoodPlus(MakeFileRecord("DRV.INF", kTime, "x")); },
                    "children 1 and 3 (\"drv.inf\", \"DRV.INF\") name the same file on Windows: "
                    "names that differ only in letter case"},
        ArchiveCase{"NoRecords", [] { return Root(); }, "the archive holds no file records"}),
    [](const testing::TestParamInfo<ArchiveCase>& info) { return info.param.Name; });

// ---- Files that hold no loadable archive ---------------------------------------------------

struct InstallerCase {
  const char* Name;
  std::function<std::string()> Make;
  std::string Message;  // after "driverpack: <file>: "
};

class NoArchive : public ToolTest, public testing::WithParamInterface<InstallerCase> {};

TEST_P(NoArchive, IsRefusedByListVerifyAndExtract) {
  const std::string installer = work / "Setup.exe";
  WriteFile(installer, GetParam().Make());
  const std::string expected = "driverpack: " + installer + ": " + GetParam().Message + "\n";
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"list", installer}, std::vector<std::string>{"verify", installer},
        std::vector<std::string>{"extract", installer, work / "target"}}) {
    const ToolResult result = RunDriverpack(args);
    EXPECT_EQ(result.ExitCode, 1) << args[0];
    EXPECT_EQ(result.Err, expected) << args[0];
  }
  EXPECT_FALSE(std::filesystem::exists(work / "target"));
}

INSTANTIATE_TEST_SUITE_P(
    Files, NoArchive,
    testing::Values(
        InstallerCase{"Unpacked", [] { return MakeStub(); },
                      "no archive is attached (the marker holds no offset)"},
        InstallerCase{"NegativeOffset",
                      [] {
                        return MakeStub({1, std::string("\x00\x04\x00\x80", 4), ""});
                      },
                      "no archive is attached (the marker holds no offset)"},
        InstallerCase{"TwoMarkers",
                      [] {
                        return MakeStub({2, "XXXX", ""});
                      },
                      "its image holds 2 archive markers instead of one; it is no installer made "
                      "by this project"},
        InstallerCase{"NoMarker",
                      [] {
                        return MakeStub({0, "XXXX", ""});
                      },
                      "its image holds 0 archive markers instead of one; it is no installer made "
                      "by this project"},
        InstallerCase{"NotAnExecutable", [] { return std::string("text"); },
                      "not a Windows executable: no MZ signature"},
        InstallerCase{"TruncatedArchive",
                      [] {
                        const std::string file = PackedInstaller(*GoodArchive());
                        return file.substr(0, file.size() - 1);
                      },
                      "the archive at offset 1024 does not load, so the installer would show "
                      "\"Failed to load archive.\": Claimed payload was 177 bytes, but only 176 "
                      "bytes were available. (During load of FILES chunk.)"},
        InstallerCase{"OffsetBeyondTheEnd",
                      [] {
                        return MakeStub({1, std::string("\x00\x10\x00\x00", 4), ""});
                      },
                      "the archive at offset 4096 does not load, so the installer would show "
                      "\"Failed to load archive.\": Error loading DIFF chunk: only 0 bytes were "
                      "available."}),
    [](const testing::TestParamInfo<InstallerCase>& info) { return info.param.Name; });

// ---- Extraction stays inside its folder ----------------------------------------------------

class ExtractSafety : public ToolTest {
 protected:
  const std::string installer = work / "Setup.exe";
  const std::string target = work / "target";
  const std::string outside = work / "outside";
  void SetUp() override {
    ToolTest::SetUp();
    WriteFile(installer, PackedInstaller(*GoodArchive()));
    std::filesystem::create_directories(target);
    std::filesystem::create_directories(outside);
  }
};

TEST_F(ExtractSafety, NeverWritesThroughALinkedFolder) {
  std::filesystem::create_directory_symlink(outside, std::filesystem::path(target) / "x64");
  for (const char* force : {"--verbose", "--force"}) {
    const ToolResult result = RunDriverpack({"extract", force, installer, target});
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_EQ(result.Err,
              "driverpack: " + target + "/x64: is not a folder; nothing is written through it\n");
    EXPECT_TRUE(NamesIn(outside).empty());
    EXPECT_EQ(NamesIn(target), std::vector<std::string>{"x64"});
  }
}

TEST_F(ExtractSafety, ReplacesAFileOnlyWithForce) {
  WriteFile(std::filesystem::path(target) / "x64/drv.sys", "old");
  const ToolResult refused = RunDriverpack({"extract", installer, target});
  EXPECT_EQ(refused.ExitCode, 1);
  EXPECT_EQ(refused.Err,
            "driverpack: " + target + "/x64/drv.sys: exists; use --force to replace it\n");
  // Refused before anything was written.
  EXPECT_FALSE(std::filesystem::exists(target + "/drv.inf"));
  EXPECT_EQ(ReadFile(target + "/x64/drv.sys"), "old");

  const ToolResult forced = RunDriverpack({"extract", "--force", installer, target});
  EXPECT_EQ(forced.ExitCode, 0) << forced.Err;
  EXPECT_EQ(ReadFile(target + "/x64/drv.sys"), "MZ");
  EXPECT_EQ(ReadFile(target + "/drv.inf"), "[Version]");
}

TEST_F(ExtractSafety, ReplacesALinkItselfNeverWhatItLeadsTo) {
  WriteFile(outside + "/victim", "untouched");
  std::filesystem::create_symlink(outside + "/victim", target + "/drv.inf");
  EXPECT_EQ(RunDriverpack({"extract", installer, target}).ExitCode, 1);
  const ToolResult forced = RunDriverpack({"extract", "--force", installer, target});
  EXPECT_EQ(forced.ExitCode, 0) << forced.Err;
  EXPECT_FALSE(std::filesystem::is_symlink(target + "/drv.inf"));
  EXPECT_EQ(ReadFile(target + "/drv.inf"), "[Version]");
  EXPECT_EQ(ReadFile(outside + "/victim"), "untouched");
}

TEST_F(ExtractSafety, RefusesAFolderInTheWayOfAFile) {
  std::filesystem::create_directories(target + "/drv.inf");
  const ToolResult result = RunDriverpack({"extract", "--force", installer, target});
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_EQ(result.Err, "driverpack: " + target + "/drv.inf: exists and is not a file\n");
}

TEST_F(ExtractSafety, RefusesATargetThatIsAFile) {
  WriteFile(work / "file", "x");
  const ToolResult result = RunDriverpack({"extract", installer, work / "file"});
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_EQ(result.Err, "driverpack: " + (work / "file") + ": not a folder\n");
}

// ---- Conventions of the command line -------------------------------------------------------

TEST(DriverpackCommandLine, HelpAndVersionGoToStandardOutput) {
  const ToolResult help = RunDriverpack({"--help"});
  EXPECT_EQ(help.ExitCode, 0);
  EXPECT_EQ(help.Out.rfind("Usage: driverpack build", 0), 0U) << help.Out;
  EXPECT_EQ(help.Err, "");
  const ToolResult version = RunDriverpack({"--version"});
  EXPECT_EQ(version.ExitCode, 0);
  EXPECT_EQ(version.Out, "driverpack " DRIVERPACK_VERSION "\n");
}

TEST(DriverpackCommandLine, BadUsageExitsWith2AndPointsToHelp) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, std::vector<std::string>{"pack"},
        std::vector<std::string>{"list"}, std::vector<std::string>{"verify", "--stub", "x", "y"}}) {
    const ToolResult result = RunDriverpack(args);
    EXPECT_EQ(result.ExitCode, 2);
    EXPECT_EQ(result.Out, "");
    EXPECT_NE(result.Err.find("Try 'driverpack --help' for more information.\n"),
              std::string::npos);
  }
}

}  // namespace
}  // namespace tolma::testing_driverpack
