#include "platform/sim/SimVolume.h"

#include <gtest/gtest.h>

#include <ostream>

#include <string>
#include <vector>

namespace tolma::sim {
namespace {

using platform::FileTime;
using platform::kAttrArchive;
using platform::kAttrDirectory;
using platform::kAttrHidden;
using platform::kAttrReadOnly;
using platform::kAttrReparsePoint;
using platform::kAttrSystem;

std::vector<std::string> Names(const std::vector<platform::FolderEntry>& entries) {
  std::vector<std::string> names;
  names.reserve(entries.size());
  for (const auto& entry : entries) names.push_back(entry.Name);
  return names;
}

TEST(SimVolumeTest, NamesCompareWithoutCaseAndKeepTheirCreatedCase) {
  SimVolume volume;
  ASSERT_TRUE(volume.MakeFolder("C:\\Drivers"));
  EXPECT_FALSE(volume.MakeFolder("c:\\DRIVERS"));
  auto file = volume.CreateOrReplace("c:\\drivers\\Net.INF");
  ASSERT_TRUE(file);
  EXPECT_EQ(file->Write("abc"), 3u);
  file.reset();
  EXPECT_EQ(volume.Content("C:\\DRIVERS\\net.inf"), "abc");
  EXPECT_EQ(volume.PathsUnder("C:\\"),
            (std::vector<std::string>{"C:\\Drivers", "C:\\Drivers\\Net.INF"}));
}

TEST(SimVolumeTest, DotSegmentsAndForwardSlashesResolveAsOnWindows) {
  SimVolume volume;
  volume.AddFile("C:\\Windows\\system32\\kernel32.dll", "MZ");
  EXPECT_EQ(volume.Content("C:\\Program Files\\..\\Windows\\.\\system32\\kernel32.dll"), "MZ");
  EXPECT_EQ(volume.Content("C:/Windows/system32/kernel32.dll"), "MZ");
  EXPECT_EQ(volume.Content("\\Windows\\system32\\kernel32.dll"), "MZ");  // the current drive
  EXPECT_EQ(volume.Content("C:\\..\\..\\Windows\\system32\\kernel32.dll"), "MZ");
}

TEST(SimVolumeTest, ReservedCharactersAndNetworkPathsAreRefused) {
  SimVolume volume;
  volume.AddFolder("C:\\Data");
  for (const char* path :
       {"C:\\Data\\a:b.inf", "C:\\Data\\a?.inf", "C:\\Data\\a|b", "\\\\server\\share\\a"}) {
    EXPECT_FALSE(volume.CreateOrReplace(path)) << path;
    EXPECT_FALSE(volume.MakeFolder(path)) << path;
  }
}

TEST(SimVolumeTest, TrailByteBackslashIsNoSeparator) {
  SimVolume volume;
  volume.SetLeadByteTest([](unsigned char byte) { return byte >= 0x81 && byte <= 0x9F; });
  const std::string folder = "C:\\\x83\\";  // one folder whose name is the character 0x83 0x5C
  ASSERT_TRUE(volume.MakeFolder(folder));
  EXPECT_EQ(volume.PathsUnder("C:\\"), (std::vector<std::string>{"C:\\\x83\\"}));
  EXPECT_NE(volume.Attributes(folder) & kAttrDirectory, 0u);
  EXPECT_EQ(volume.Attributes("C:\\\x83"), platform::kInvalidAttributes);
}

struct CreateFailure {
  const char* Name;
  const char* Path;
  bool HoldsOldFile;  // whether a file with the old content is there and must stay
  friend void PrintTo(const CreateFailure& c, std::ostream* os) { *os << c.Name; }
};

class CreateOrReplaceFailureTest : public testing::TestWithParam<CreateFailure> {};

TEST_P(CreateOrReplaceFailureTest, RefusesAndLeavesTheOldContent) {
  SimVolume volume;
  volume.AddFolder("C:\\Data\\Folder");
  volume.AddFile("C:\\Data\\readonly.inf", "old", std::nullopt, kAttrReadOnly | kAttrArchive);
  volume.AddFile("C:\\Data\\hidden.inf", "old", std::nullopt, kAttrHidden);
  volume.AddFile("C:\\Data\\system.inf", "old", std::nullopt, kAttrSystem);
  volume.AddFile("C:\\Data\\inuse.inf", "old");
  volume.SetInUse("C:\\Data\\inuse.inf", true);
  volume.AddFile("C:\\Data\\open.inf", "old");
  const auto holder = volume.CreateOrReplace("C:\\Data\\open.inf");
  ASSERT_TRUE(holder);
  ASSERT_EQ(holder->Write("old"), 3u);

  EXPECT_FALSE(volume.CreateOrReplace(GetParam().Path));
  if (GetParam().HoldsOldFile) {
    EXPECT_EQ(volume.Content(GetParam().Path), "old");
  } else {
    EXPECT_FALSE(volume.Content(GetParam().Path));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CreateOrReplaceFailureTest,
    testing::Values(CreateFailure{"MissingFolder", "C:\\Missing\\a.inf", false},
                    CreateFailure{"Folder", "C:\\Data\\Folder", false},
                    CreateFailure{"ReadOnly", "C:\\Data\\readonly.inf", true},
                    CreateFailure{"Hidden", "C:\\Data\\hidden.inf", true},
                    CreateFailure{"System", "C:\\Data\\system.inf", true},
                    CreateFailure{"InUse", "C:\\Data\\inuse.inf", true},
                    CreateFailure{"OpenElsewhere", "C:\\Data\\open.inf", true},
                    CreateFailure{"TrailingSeparator", "C:\\Data\\new.inf\\", false},
                    CreateFailure{"OtherDrive", "D:\\a.inf", false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(SimVolumeTest, ReplacingTruncatesKeepsCreationTimeAndSetsOnlyTheLastWriteTime) {
  SimVolume volume;
  volume.SetNow({100, 1});
  volume.AddFile("C:\\a.sys", "a long old content", FileTime{5, 5}, kAttrArchive);
  volume.SetNow({200, 2});
  {
    auto file = volume.CreateOrReplace("C:\\a.sys");
    ASSERT_TRUE(file);
    EXPECT_TRUE(volume.IsOpen("C:\\a.sys"));
    EXPECT_EQ(file->Write("new"), 3u);
    EXPECT_EQ(volume.LastWriteTime("C:\\a.sys"), (FileTime{200, 2}));
    EXPECT_TRUE(file->SetLastWriteTime({7, 8}));
  }
  EXPECT_FALSE(volume.IsOpen("C:\\a.sys"));
  EXPECT_EQ(volume.Content("C:\\a.sys"), "new");
  EXPECT_EQ(volume.LastWriteTime("C:\\a.sys"), (FileTime{7, 8}));
  EXPECT_EQ(volume.CreationTime("C:\\a.sys"), (FileTime{100, 1}));
  EXPECT_EQ(volume.Attributes("C:\\a.sys"), kAttrArchive);
}

TEST(SimVolumeTest, FullDiskStoresWhatFitsAndFreesWhatIsRemoved) {
  SimVolume volume;
  volume.AddFile("C:\\old.bin", "0123456789");
  volume.SetFreeBytes(4);
  {
    auto file = volume.CreateOrReplace("C:\\new.bin");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Write("abcdefgh"), 4u);
    EXPECT_EQ(file->Write("x"), 0u);
  }
  EXPECT_EQ(volume.Content("C:\\new.bin"), "abcd");
  ASSERT_TRUE(volume.RemoveFile("C:\\old.bin"));
  auto file = volume.CreateOrReplace("C:\\new.bin");  // truncation frees its 4 bytes too
  ASSERT_TRUE(file);
  EXPECT_EQ(file->Write(std::string(15, 'z')), 14u);
}

TEST(SimVolumeTest, ListFolderGivesDotsThenEntriesWithAttributes) {
  SimVolume volume;
  volume.AddFolder("C:\\Root\\Sub");
  volume.AddFile("C:\\Root\\b.inf", "", std::nullopt, kAttrHidden | kAttrSystem);
  volume.AddJunction("C:\\Root\\Link", "C:\\Root\\Sub");
  const auto entries = volume.ListFolder("C:\\Root\\*.*");
  ASSERT_TRUE(entries);
  EXPECT_EQ(Names(*entries), (std::vector<std::string>{".", "..", "Sub", "b.inf", "Link"}));
  EXPECT_EQ((*entries)[2].Attributes, kAttrDirectory);
  EXPECT_EQ((*entries)[3].Attributes, kAttrHidden | kAttrSystem);
  EXPECT_EQ((*entries)[4].Attributes, kAttrDirectory | kAttrReparsePoint);

  EXPECT_EQ(Names(*volume.ListFolder("C:\\Root\\Sub\\*.*")), (std::vector<std::string>{".", ".."}));
  EXPECT_EQ(Names(*volume.ListFolder("C:\\Root\\*.INF")), (std::vector<std::string>{"b.inf"}));
  EXPECT_FALSE(volume.ListFolder("C:\\Missing\\*.*"));
  EXPECT_FALSE(volume.ListFolder("C:\\Root\\b.inf\\*.*"));
  volume.AddFile("C:\\top.txt", "");
  EXPECT_EQ(Names(*volume.ListFolder("C:\\*.*")), (std::vector<std::string>{"Root", "top.txt"}));
}

TEST(SimVolumeTest, JunctionLeadsIntoItsTargetAndIsRemovedAlone) {
  SimVolume volume;
  volume.AddFile("C:\\Windows\\win.ini", "keep");
  volume.AddJunction("C:\\Install\\Drivers\\Escape", "C:\\Windows");

  // Paths through the link reach the target.
  EXPECT_EQ(volume.Content("C:\\Install\\Drivers\\Escape\\win.ini"), "keep");
  EXPECT_EQ(Names(*volume.ListFolder("C:\\Install\\Drivers\\Escape\\*.*")),
            (std::vector<std::string>{".", "..", "win.ini"}));
  EXPECT_TRUE(volume.RemoveFile("C:\\Install\\Drivers\\Escape\\win.ini"));
  volume.AddFile("C:\\Windows\\win.ini", "keep");

  // The link itself: its own attributes, not a file, removed as a folder without its target.
  EXPECT_EQ(volume.Attributes("C:\\Install\\Drivers\\Escape"), kAttrDirectory | kAttrReparsePoint);
  EXPECT_FALSE(volume.RemoveFile("C:\\Install\\Drivers\\Escape"));
  EXPECT_TRUE(volume.RemoveFolder("C:\\Install\\Drivers\\Escape\\"));
  EXPECT_FALSE(volume.Exists("C:\\Install\\Drivers\\Escape"));
  EXPECT_EQ(volume.Content("C:\\Windows\\win.ini"), "keep");
}

TEST(SimVolumeTest, FileLinkIsReadThroughAndRemovedAlone) {
  SimVolume volume;
  volume.AddFile("C:\\Windows\\system.ini", "keep");
  volume.AddFileLink("C:\\Install\\link.inf", "C:\\Windows\\system.ini");
  EXPECT_EQ(volume.Content("C:\\Install\\link.inf"), "keep");
  EXPECT_EQ(volume.Attributes("C:\\Install\\link.inf"), kAttrArchive | kAttrReparsePoint);
  EXPECT_FALSE(volume.RemoveFolder("C:\\Install\\link.inf"));
  EXPECT_TRUE(volume.RemoveFile("C:\\Install\\link.inf"));
  EXPECT_EQ(volume.Content("C:\\Windows\\system.ini"), "keep");
}

TEST(SimVolumeTest, LinkLoopsEndInFailure) {
  SimVolume volume;
  volume.AddJunction("C:\\A", "C:\\B");
  volume.AddJunction("C:\\B", "C:\\A");
  EXPECT_FALSE(volume.ListFolder("C:\\A\\*.*"));
  EXPECT_FALSE(volume.CreateOrReplace("C:\\A\\x"));
}

TEST(SimVolumeTest, RemovalRules) {
  SimVolume volume;
  volume.AddFile("C:\\T\\Sub\\f.txt", "");
  volume.AddFile("C:\\T\\ro.txt", "", std::nullopt, kAttrReadOnly);
  volume.AddFile("C:\\T\\busy.txt", "");
  volume.SetInUse("C:\\T\\busy.txt", true);
  volume.AddFolder("C:\\T\\RoFolder", kAttrReadOnly);

  EXPECT_FALSE(volume.RemoveFolder("C:\\T\\Sub"));  // not empty
  EXPECT_FALSE(volume.RemoveFile("C:\\T\\Sub"));
  EXPECT_FALSE(volume.RemoveFile("C:\\T\\ro.txt"));
  EXPECT_FALSE(volume.RemoveFile("C:\\T\\busy.txt"));
  EXPECT_FALSE(volume.RemoveFolder("C:\\T\\RoFolder"));
  EXPECT_FALSE(volume.RemoveFolder("C:\\"));
  EXPECT_FALSE(volume.RemoveFile("C:\\T\\none.txt"));
  EXPECT_TRUE(volume.RemoveFile("C:\\T\\Sub\\F.TXT"));
  EXPECT_TRUE(volume.RemoveFolder("C:\\T\\sub"));
  EXPECT_EQ(volume.PathsUnder("C:\\T"),
            (std::vector<std::string>{"C:\\T\\ro.txt", "C:\\T\\busy.txt", "C:\\T\\RoFolder"}));
}

TEST(SimVolumeTest, MakeFolderNeedsItsParentAndHonoursForbiddenPaths) {
  SimVolume volume;
  EXPECT_FALSE(volume.MakeFolder("C:\\A\\B"));
  EXPECT_TRUE(volume.MakeFolder("C:\\A"));
  EXPECT_TRUE(volume.MakeFolder("C:\\A\\B\\"));
  volume.ForbidFolder("C:\\A\\Locked");
  EXPECT_FALSE(volume.MakeFolder("c:\\a\\LOCKED"));
  volume.AddFile("C:\\A\\file", "");
  EXPECT_FALSE(volume.MakeFolder("C:\\A\\file"));
  EXPECT_FALSE(volume.MakeFolder("C:\\A\\file\\Sub"));
  EXPECT_FALSE(volume.MakeFolder("C:\\"));
}

TEST(SimVolumeTest, ReadingHonoursInUseAndOpenWriters) {
  SimVolume volume;
  volume.AddFile("C:\\Setup.exe", "image");
  const auto stream = volume.OpenForReading("c:\\setup.EXE");
  ASSERT_TRUE(stream);
  EXPECT_EQ(stream->Size(), 5);
  EXPECT_FALSE(volume.OpenForReading("C:\\missing.exe"));
  volume.SetInUse("C:\\Setup.exe", true);
  EXPECT_FALSE(volume.OpenForReading("C:\\Setup.exe"));
}

}  // namespace
}  // namespace tolma::sim
