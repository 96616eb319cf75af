#include <gtest/gtest.h>

#include "installer/UninstallJob.h"
#include "platform/sim/SimVolume.h"

namespace tolma::test {
namespace {

TEST(LedgerNameFolderTest, TakesThePathUpToTheLastDelimiter) {
  const struct {
    const char* Name;
    const char* Folder;
  } cases[] = {
      {"C:\\A\\b.inf", "C:\\A\\"},
      {"C:b.inf", "C:\\"},  // a drive-relative name: its drive
      {"b.inf", "\\"},
      {"", "\\"},
      {"C:\\b.inf", "C:\\"},
  };
  for (const auto& c : cases) EXPECT_EQ(LedgerNameFolder(c.Name, NoLeadBytes), c.Folder) << c.Name;
}

TEST(IsInsideInstallRootTest, AcceptsTheRootAndWhatLiesBelowItOnly) {
  const std::string root = "C:\\Program Files\\TOLMA\\Common Drivers\\";
  const struct {
    const char* Folder;
    bool Inside;
  } cases[] = {
      {"C:\\Program Files\\TOLMA\\Common Drivers\\", true},
      {"c:\\program files\\tolma\\COMMON DRIVERS\\Net\\", true},
      {"C:\\Program Files\\TOLMA\\Common Drivers\\A\\B\\", true},
      {"C:\\Program Files\\TOLMA\\", false},
      {"C:\\Program Files\\TOLMA\\Common Drivers2\\", false},
      {"C:\\Program Files\\TOLMA\\Common Drivers\\..\\", false},
      {"C:\\Program Files\\TOLMA\\Common Drivers\\.\\", false},
      {"C:\\Program Files\\TOLMA\\Common Drivers\\a/..\\", false},
      {"C:\\Program Files\\TOLMA\\Common Drivers\\a:b\\", false},
      {"\\", false},
      {"D:\\Program Files\\TOLMA\\Common Drivers\\", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsInsideInstallRoot(c.Folder, root, NoLeadBytes), c.Inside) << c.Folder;
  }
}

TEST(DeleteFolderTreeTest, EmptiesNestedFoldersAndRemovesThemWithTheFolder) {
  sim::SimVolume volume;
  volume.AddFile("C:\\T\\a.txt", "a");
  volume.AddFile("C:\\T\\X\\Y\\b.txt", "b", std::nullopt, platform::kAttrHidden);
  volume.AddFolder("C:\\T\\Empty");
  volume.AddFile("C:\\Other\\c.txt", "c");
  for (const char* folder : {"C:\\T", "C:\\T\\"}) {
    volume.AddFile("C:\\T\\a.txt", "a");
    DeleteFolderTree(volume, folder, NoLeadBytes);
    EXPECT_FALSE(volume.Exists("C:\\T")) << folder;
  }
  EXPECT_TRUE(volume.Exists("C:\\Other\\c.txt"));
}

TEST(DeleteFolderTreeTest, AMissingFolderIsNothingToDo) {
  sim::SimVolume volume;
  volume.AddFile("C:\\Other\\c.txt", "c");
  DeleteFolderTree(volume, "C:\\Missing\\", NoLeadBytes);
  EXPECT_TRUE(volume.Exists("C:\\Other\\c.txt"));
}

TEST(DeleteFolderTreeTest, AFileInUseStaysWithItsFolders) {
  sim::SimVolume volume;
  volume.AddFile("C:\\T\\A\\busy.dll", "x");
  volume.AddFile("C:\\T\\B\\free.dll", "y");
  volume.SetInUse("C:\\T\\A\\busy.dll", true);
  DeleteFolderTree(volume, "C:\\T\\", NoLeadBytes);
  EXPECT_TRUE(volume.Exists("C:\\T\\A\\busy.dll"));
  EXPECT_FALSE(volume.Exists("C:\\T\\B"));
}

}  // namespace
}  // namespace tolma::test
