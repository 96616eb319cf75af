#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ToolFixture.h"
#include "installer/EmbeddedArchive.h"
#include "platform/sim/SimVolume.h"
#include "tools/driverpack/MarkerSearch.h"

namespace tolma::testing_driverpack {
namespace {

struct DriverFile {
  std::string HostPath;  // below the driver folder, UTF-8
  std::string RelPath;   // in the archive, Windows-1252
  std::string Content;
  int64_t Seconds;
  long Nanoseconds;
};

// In the byte order of RelPath, as the archive holds them.
const std::vector<DriverFile>& Package() {
  static const std::vector<DriverFile> files = {
      {"B.INF", "B.INF", "[Version]\r\nClass=B\r\n", 1500000000, 0},
      {"a.inf", "a.inf", "[Version]\r\nClass=A\r\n", 1400000000, 999999999},
      {"drv.cat", "drv.cat", std::string("\x30\x82\x01\x00", 4), 1430347200, 100},
      {"drv.inf", "drv.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n", 1430347196, 0},
      {"x64/drv.sys", "x64\\drv.sys", std::string("MZ\x90\x00\x03", 5), 1600000000, 123456789},
      {"x64/sub/co.dll", "x64\\sub\\co.dll", std::string(5000, '\0') + "end", 1000000000, 1},
      {"\xC3\x84nderung.txt", "\xC4nderung.txt", "\xE9t\xE9", 1234567890, 500},
  };
  return files;
}

// The FILETIME of a Unix time, to 100 ns.
platform::FileTime ExpectedTime(int64_t seconds, long nanoseconds) {
  const uint64_t ticks = static_cast<uint64_t>(seconds + 11644473600) * 10000000 +
                         static_cast<uint64_t>(nanoseconds) / 100;
  return {static_cast<uint32_t>(ticks & 0xFFFFFFFFU), static_cast<uint32_t>(ticks >> 32U)};
}

class BuildRoundTrip : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    for (const DriverFile& file : Package()) {
      AddDriverFile(file.HostPath, file.Content, file.Seconds, file.Nanoseconds);
    }
    // Empty folders carry nothing and stop nothing.
    std::filesystem::create_directories(std::filesystem::path(drivers) / "empty");
  }
};

TEST_F(BuildRoundTrip, LoadsBackIntoExactlyItsFilesTimesAndOrder) {
  const ToolResult result = Build();
  ASSERT_EQ(result.ExitCode, 0) << result.Err;
  EXPECT_EQ(result.Err, "");

  const std::string installer = ReadFile(output);
  const std::vector<size_t> markers =
      driverpack::FindArchiveMarkers(installer.substr(0, kStubSize));
  ASSERT_EQ(markers, std::vector<size_t>{kStubMarkerPosition});
  const int32_t offset = DecodeArchiveMarker(driverpack::MarkerAt(installer, markers[0]));
  EXPECT_EQ(offset, static_cast<int32_t>(kStubSize));
  // The stub is copied unchanged but for the marker field.
  std::string image = installer.substr(0, kStubSize);
  image.replace(kStubMarkerPosition + kMarkerFieldOffset, 4, std::string(kMarkerNoArchive));
  EXPECT_EQ(image, MakeStub());

  sim::SimVolume volume;
  volume.AddFile(volume.OwnModulePath(), installer);
  const std::unique_ptr<TDIFFChunk> root = LoadEmbeddedArchive(volume, offset);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Tag, "FILES");
  EXPECT_EQ(kStubSize + root->SaveToString().size(), installer.size());
  EXPECT_FALSE(ArchiveHasUnsafeRecord(*root, "C:\\Program Files (x86)\\TOLMA\\Common Drivers\\"));

  TFileDatas records;
  CollectFileRecords(records, *root, "C:\\Root\\");
  ASSERT_EQ(records.size(), Package().size());
  for (size_t i = 0; i < records.size(); ++i) {
    const DriverFile& file = Package()[i];
    EXPECT_EQ(records[i].FullPath, "C:\\Root\\" + file.RelPath);
    EXPECT_EQ(records[i].Content, file.Content) << file.RelPath;
    EXPECT_EQ(records[i].FileTime, ExpectedTime(file.Seconds, file.Nanoseconds)) << file.RelPath;
  }
}

TEST_F(BuildRoundTrip, StoresTheTimeOfTheArchiveExampleAsItsBytes) {
  ASSERT_EQ(Build().ExitCode, 0);
  sim::SimVolume volume;
  volume.AddFile(volume.OwnModulePath(), ReadFile(output));
  const std::unique_ptr<TDIFFChunk> root = LoadEmbeddedArchive(volume, kStubSize);
  ASSERT_NE(root, nullptr);
  // drv.inf, modified 2015-04-29 22:39:56 UTC.
  EXPECT_EQ(root->Chunks[3]->GetHeaderValue("RelPath"), "drv.inf");
  EXPECT_EQ(root->Chunks[3]->GetHeaderValue("Filetime"),
            std::string("\x00\x86\x79\x6A\xCD\x82\xD0\x01", 8));
}

TEST_F(BuildRoundTrip, TheSameFolderGivesTheSameBytes) {
  ASSERT_EQ(Build().ExitCode, 0);
  const std::string first = ReadFile(output);
  ASSERT_EQ(Build({"--force"}).ExitCode, 0);
  EXPECT_EQ(ReadFile(output), first);
}

TEST_F(BuildRoundTrip, SummarisesAndWithVerboseNamesEachFileInOrder) {
  const ToolResult quiet = Build();
  ASSERT_EQ(quiet.ExitCode, 0);
  EXPECT_EQ(quiet.Out.find("added"), std::string::npos);
  EXPECT_NE(quiet.Out.find("packed 7 files (3 INF), 5092 bytes, into " + output), std::string::npos)
      << quiet.Out;

  const ToolResult verbose = Build({"--force", "--verbose"});
  ASSERT_EQ(verbose.ExitCode, 0);
  size_t at = 0;
  for (const DriverFile& file : Package()) {
    const std::string hostRelPath = file.HostPath == "x64/drv.sys"      ? "x64\\drv.sys"
                                    : file.HostPath == "x64/sub/co.dll" ? "x64\\sub\\co.dll"
                                                                        : file.HostPath;
    const std::string line =
        "added " + hostRelPath + " (" + std::to_string(file.Content.size()) + " bytes)\n";
    const size_t found = verbose.Out.find(line, at);
    ASSERT_NE(found, std::string::npos) << line << verbose.Out;
    at = found + line.size();
  }
}

TEST_F(BuildRoundTrip, ListShowsTheRecordsAsATable) {
  ASSERT_EQ(Build().ExitCode, 0);
  const ToolResult list = RunDriverpack({"list", output});
  ASSERT_EQ(list.ExitCode, 0) << list.Err;
  const std::string expected =
      "        Size  Last write (UTC)          Path\n"
      "          20  2017-07-14 02:40:00  INF  B.INF\n"
      "          20  2014-05-13 16:53:20  INF  a.inf\n"
      "           4  2015-04-29 22:40:00       drv.cat\n"
      "          37  2015-04-29 22:39:56  INF  drv.inf\n"
      "           5  2020-09-13 12:26:40       x64\\drv.sys\n"
      "        5003  2001-09-09 01:46:40       x64\\sub\\co.dll\n"
      "           3  2009-02-13 23:31:30       \xC3\x84nderung.txt\n"
      "7 files, 5092 bytes, 3 INF\n";
  EXPECT_EQ(list.Out, expected);
}

TEST_F(BuildRoundTrip, VerifyFindsNothingWrong) {
  ASSERT_EQ(Build().ExitCode, 0);
  const ToolResult verify = RunDriverpack({"verify", output});
  EXPECT_EQ(verify.ExitCode, 0) << verify.Err;
  EXPECT_NE(verify.Out.find("after the archive: nothing"), std::string::npos) << verify.Out;
  EXPECT_NE(verify.Out.find("verified: the installer would write every file"), std::string::npos);
}

TEST_F(BuildRoundTrip, ExtractWritesTheFilesWithTheirTimes) {
  ASSERT_EQ(Build().ExitCode, 0);
  const std::string target = work / "extracted";
  const ToolResult extract = RunDriverpack({"extract", output, target});
  ASSERT_EQ(extract.ExitCode, 0) << extract.Err;
  EXPECT_NE(extract.Out.find("extracted 7 files (3 INF) into " + target), std::string::npos);
  for (const DriverFile& file : Package()) {
    const std::filesystem::path path = std::filesystem::path(target) / file.HostPath;
    EXPECT_EQ(ReadFile(path), file.Content) << file.HostPath;
    EXPECT_EQ(GetModificationTime(path),
              (ModificationTime{file.Seconds, file.Nanoseconds / 100 * 100}))
        << file.HostPath;
  }
  EXPECT_EQ(NamesIn(target), (std::vector<std::string>{"B.INF", "a.inf", "drv.cat", "drv.inf",
                                                       "x64", "\xC3\x84nderung.txt"}));
  EXPECT_EQ(NamesIn(std::filesystem::path(target) / "x64"),
            (std::vector<std::string>{"drv.sys", "sub"}));
}

TEST_F(BuildRoundTrip, ForceReplacesAnExistingOutput) {
  WriteFile(output, "an old installer");
  const ToolResult result = Build({"--force"});
  ASSERT_EQ(result.ExitCode, 0) << result.Err;
  EXPECT_EQ(RunDriverpack({"verify", output}).ExitCode, 0);
  EXPECT_EQ(NamesIn(outFolder), std::vector<std::string>{"Setup.exe"});
}

// ---- Refusals ------------------------------------------------------------------------------

struct RefusalCase {
  const char* Name;
  std::function<void(ToolTest&)> Arrange;
  std::string Message;  // a line of the error output, the work folder written as @
};

class BuildRefusal : public ToolTest, public testing::WithParamInterface<RefusalCase> {
 protected:
  std::string Expected() const {
    std::string message = GetParam().Message;
    const std::string root = work.Path().string();
    for (size_t at = message.find('@'); at != std::string::npos; at = message.find('@', at)) {
      message.replace(at, 1, root);
      at += root.size();
    }
    return message;
  }
};

TEST_P(BuildRefusal, SaysWhyAndWritesNothing) {
  AddDriverFile("good.inf", "[Version]");
  GetParam().Arrange(*this);
  const std::vector<std::string> before = NamesIn(outFolder);
  const ToolResult result = Build();
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_NE(result.Err.find("driverpack: " + Expected() + "\n"), std::string::npos) << result.Err;
  EXPECT_EQ(result.Out, "");
  // No output and no temporary file.
  EXPECT_EQ(NamesIn(outFolder), before);
}

void Add(ToolTest& test, const std::string& relPath, const std::string& content = "x") {
  const std::filesystem::path path = std::filesystem::path(test.drivers) / relPath;
  WriteFile(path, content);
}

void ReplaceStub(ToolTest& test, const std::string& bytes) { WriteFile(test.stub, bytes); }

INSTANTIATE_TEST_SUITE_P(
    Inputs, BuildRefusal,
    testing::Values(
        RefusalCase{"EmptyFile", [](ToolTest& t) { Add(t, "sub/empty.sys", ""); },
                    "@/drivers/sub/empty.sys: empty file; the archive cannot carry a file of 0 "
                    "bytes"},
        RefusalCase{"DeviceName", [](ToolTest& t) { Add(t, "CON.inf"); },
                    "@/drivers/CON.inf: unsafe path \"CON.inf\": it has a name that Windows opens "
                    "as a device: \"CON.inf\""},
        RefusalCase{"DeviceFolder", [](ToolTest& t) { Add(t, "lpt1/x.inf"); },
                    "@/drivers/lpt1/x.inf: unsafe path \"lpt1\\x.inf\": it has a name that "
                    "Windows opens as a device: \"lpt1\""},
        RefusalCase{"Colon", [](ToolTest& t) { Add(t, "a:b.inf"); },
                    "@/drivers/a:b.inf: unsafe path \"a:b.inf\": it contains \":\" (a drive or an "
                    "alternate data stream)"},
        RefusalCase{"TrailingDot", [](ToolTest& t) { Add(t, "drv."); },
                    "@/drivers/drv.: unsafe path \"drv.\": it has a name ending in \".\": "
                    "\"drv.\""},
        RefusalCase{"FolderTrailingSpace", [](ToolTest& t) { Add(t, "sub /x.inf"); },
                    "@/drivers/sub /x.inf: unsafe path \"sub \\x.inf\": it has a name ending in a "
                    "space: \"sub \""},
        RefusalCase{"Question", [](ToolTest& t) { Add(t, "what?.inf"); },
                    "@/drivers/what?.inf: unsafe path \"what?.inf\": it contains \"?\""},
        RefusalCase{"ControlByte", [](ToolTest& t) { Add(t, "a\tb"); },
                    "@/drivers/a\tb: unsafe path \"a\tb\": it contains the control byte 0x09"},
        RefusalCase{"TooLong",
                    [](ToolTest& t) {
                      Add(t, std::string(100, 'a') + "/" + std::string(100, 'b') + "/" +
                                 std::string(16, 'c'));
                    },
                    "@/drivers/" + std::string(100, 'a') + "/" + std::string(100, 'b') + "/" +
                        std::string(16, 'c') + ": unsafe path \"" + std::string(100, 'a') + "\\" +
                        std::string(100, 'b') + "\\" + std::string(16, 'c') +
                        "\": it makes a full path of 262 bytes, more than 259"},
        RefusalCase{"BackslashInName", [](ToolTest& t) { Add(t, "a\\b.inf"); },
                    "@/drivers/a\\b.inf: the name is not representable in Windows-1252"},
        RefusalCase{"NotUtf8", [](ToolTest& t) { Add(t, "caf\xE9.inf"); },
                    "@/drivers/caf\xE9.inf: the name is not representable in Windows-1252"},
        RefusalCase{"NotInTheCodePage", [](ToolTest& t) { Add(t, "\xE4\xB8\xAD/x.inf"); },
                    "@/drivers/\xE4\xB8\xAD: the name is not representable in Windows-1252"},
        RefusalCase{"SymbolicLink",
                    [](ToolTest& t) {
                      std::filesystem::create_symlink(
                          "good.inf", std::filesystem::path(t.drivers) / "link.inf");
                    },
                    "@/drivers/link.inf: neither a file nor a folder (links and devices are not "
                    "packed)"},
        RefusalCase{"LetterCase", [](ToolTest& t) { Add(t, "GOOD.INF"); },
                    "@/drivers/good.inf: Windows takes it for the same file as @/drivers/GOOD.INF "
                    "(names that differ only in letter case)"},
        RefusalCase{"FileAndFolder",
                    [](ToolTest& t) {
                      Add(t, "X64");
                      Add(t, "x64/drv.sys");
                    },
                    "@/drivers/x64/drv.sys: Windows takes it for the same file as @/drivers/X64 "
                    "(a file whose name the other path needs as a folder)"},
        RefusalCase{"NoFiles",
                    [](ToolTest& t) {
                      std::filesystem::remove(std::filesystem::path(t.drivers) / "good.inf");
                      std::filesystem::create_directories(std::filesystem::path(t.drivers) / "e");
                    },
                    "@/drivers: holds no files to pack"},
        RefusalCase{"NoFolder", [](ToolTest& t) { std::filesystem::remove_all(t.drivers); },
                    "@/drivers: not a folder"},
        RefusalCase{"StubWithoutMarker",
                    [](ToolTest& t) {
                      ReplaceStub(t, MakeStub({0, "XXXX", ""}));
                    },
                    "@/DriverInstall.exe: holds no archive marker; the stub must be a "
                    "DriverInstall.exe"},
        RefusalCase{"StubWithTwoMarkers",
                    [](ToolTest& t) {
                      ReplaceStub(t, MakeStub({2, "XXXX", ""}));
                    },
                    "@/DriverInstall.exe: holds 2 archive markers; the stub must hold exactly one"},
        RefusalCase{"StubAlreadyPacked",
                    [](ToolTest& t) {
                      ReplaceStub(t, MakeStub({1, std::string("\x00\x04\x00\x00", 4), ""}));
                    },
                    "@/DriverInstall.exe: is already packed (its marker's offset field is "
                    "filled)"},
        RefusalCase{"StubSigned",
                    [](ToolTest& t) { ReplaceStub(t, AttachCertificateTable(MakeStub(), 256)); },
                    "@/DriverInstall.exe: is signed (it carries a certificate table); attach the "
                    "archive before signing"},
        RefusalCase{"StubWithDataAfterItsImage",
                    [](ToolTest& t) {
                      ReplaceStub(t, MakeStub({1, "XXXX", "tail"}));
                    },
                    "@/DriverInstall.exe: carries 4 bytes after the end of its image; attach the "
                    "archive to the stub as built, before signing"},
        RefusalCase{"StubNotAnExecutable", [](ToolTest& t) { ReplaceStub(t, "#!/bin/sh\n"); },
                    "@/DriverInstall.exe: not a Windows executable: no MZ signature"},
        RefusalCase{"StubMissing", [](ToolTest& t) { std::filesystem::remove(t.stub); },
                    "@/DriverInstall.exe: cannot open: No such file or directory"},
        RefusalCase{"OutputExists", [](ToolTest& t) { WriteFile(t.output, "keep me"); },
                    "@/out/Setup.exe: exists; use --force to replace it"},
        RefusalCase{"OutputOver2GiB",
                    [](ToolTest& t) {
                      // Sparse: the size is checked before any content is read.
                      const std::filesystem::path big =
                          std::filesystem::path(t.drivers) / "big.bin";
                      WriteFile(big, "x");
                      std::filesystem::resize_file(big, 0x80000000ULL - 0x400 - 16 - 70 - 7);
                    },
                    "@/out/Setup.exe: would be 2147483735 bytes, more than the 2 GiB less one "
                    "byte that the installer can read"}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return info.param.Name; });

TEST_F(ToolTest, AnExistingOutputIsLeftAsItWas) {
  AddDriverFile("drv.inf", "[Version]");
  WriteFile(output, "keep me");
  EXPECT_EQ(Build().ExitCode, 1);
  EXPECT_EQ(ReadFile(output), "keep me");
}

TEST_F(ToolTest, EveryRefusedFileIsNamedInPathOrder) {
  AddDriverFile("z.inf", "");
  AddDriverFile("b/NUL.sys", "x");
  AddDriverFile("a.inf", "fine");
  const ToolResult result = Build();
  EXPECT_EQ(result.ExitCode, 1);
  const size_t nul = result.Err.find(drivers + "/b/NUL.sys: unsafe path");
  const size_t empty = result.Err.find(drivers + "/z.inf: empty file");
  ASSERT_NE(nul, std::string::npos) << result.Err;
  ASSERT_NE(empty, std::string::npos) << result.Err;
  EXPECT_LT(nul, empty);
  EXPECT_NE(result.Err.find("driverpack: nothing written\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(output));
}

TEST_F(ToolTest, AnOutputFolderThatDoesNotExistIsRefused) {
  AddDriverFile("drv.inf", "[Version]");
  const std::string elsewhere = work / "missing/Setup.exe";
  const ToolResult result =
      RunDriverpack({"build", "--stub", stub, "--output", elsewhere, drivers});
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_NE(result.Err.find("cannot create a temporary file"), std::string::npos) << result.Err;
  EXPECT_FALSE(std::filesystem::exists(work / "missing"));
}

}  // namespace
}  // namespace tolma::testing_driverpack
