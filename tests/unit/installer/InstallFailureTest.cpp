// The installation job when a file cannot be written or the archive cannot be read: what the
// user is shown, what stays on the volume, and the exit code.

#include <gtest/gtest.h>

#include <ostream>

#include "tests/unit/installer/InstallerFixture.h"

namespace tolma::installer_test {
namespace {

using sim::ProgressPositionEvent;
using sim::UiEventKind;

const std::vector<ArchiveFile> kFiles = {{"a.sys", "first driver file"},
                                         {"Sub\\b.sys", "second driver file, the one that fails"},
                                         {"c.sys", "third"},
                                         {"d.inf", "[Version]"}};

enum class Fault { ReadOnlyTarget, HiddenTarget, TargetInUse, FolderCannotBeCreated, FullDisk };

struct FileFaultCase {
  const char* Name;
  Fault Kind;
  const char* Message;  // what the error report shows, for the second file
  friend void PrintTo(const FileFaultCase& c, std::ostream* os) { *os << c.Name; }
};

class FileFaultTest : public InstallerTest, public testing::WithParamInterface<FileFaultCase> {};

TEST_P(FileFaultTest, StopsAtTheFileAndReportsIt) {
  const std::string failing = kInstallRoot + "Sub\\b.sys";
  switch (GetParam().Kind) {
    case Fault::ReadOnlyTarget:
      machine_.Volume.AddFile(failing, "old", platform::FileTime{1, 1}, platform::kAttrReadOnly);
      break;
    case Fault::HiddenTarget:
      machine_.Volume.AddFile(failing, "old", platform::FileTime{1, 1}, platform::kAttrHidden);
      break;
    case Fault::TargetInUse:
      machine_.Volume.AddFile(failing, "old", platform::FileTime{1, 1});
      machine_.Volume.SetInUse(failing, true);
      break;
    case Fault::FolderCannotBeCreated:
      machine_.Volume.ForbidFolder(kInstallRoot + "Sub");
      break;
    case Fault::FullDisk:
      break;
  }
  AttachArchive(kFiles);
  if (GetParam().Kind == Fault::FullDisk)
    machine_.Volume.SetFreeBytes(kFiles[0].Content.size() + 5);

  EXPECT_EQ(Run(), 2);

  ExpectErrorReport(std::string(GetParam().Message) + failing + ".");
  // The window shows the moment of the failure: copying, the first file done.
  EXPECT_EQ(StatusTexts(), (std::vector<std::string>{kLoading, kCopying}));
  EXPECT_EQ(machine_.Ui.Progress().back(), ProgressPositionEvent(2));
  // Files before remain with their stored times; nothing after is written or published.
  ExpectWritten(kFiles[0]);
  EXPECT_FALSE(machine_.Volume.Exists(kInstallRoot + "c.sys"));
  EXPECT_FALSE(machine_.Volume.Exists(kInstallRoot + "d.inf"));
  EXPECT_TRUE(machine_.Store.CopyCalls().empty());
  EXPECT_FALSE(machine_.Registry.KeyExists(kInfLedgerPath));
  if (GetParam().Kind != Fault::FolderCannotBeCreated && GetParam().Kind != Fault::FullDisk) {
    EXPECT_EQ(machine_.Volume.Content(failing), "old");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileFaultTest,
    testing::Values(FileFaultCase{"ReadOnlyTarget", Fault::ReadOnlyTarget, "Cannot create file "},
                    FileFaultCase{"HiddenTarget", Fault::HiddenTarget, "Cannot create file "},
                    FileFaultCase{"TargetInUse", Fault::TargetInUse, "Cannot create file "},
                    FileFaultCase{"FolderCannotBeCreated", Fault::FolderCannotBeCreated,
                                  "Cannot create file "},
                    FileFaultCase{"FullDisk", Fault::FullDisk, "Cannot write file "}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(InstallerTest, AFullDiskLeavesTheShortFileClosed) {
  AttachArchive(kFiles);
  machine_.Volume.SetFreeBytes(kFiles[0].Content.size() + 5);

  EXPECT_EQ(Run(), 2);

  const std::string failing = kInstallRoot + "Sub\\b.sys";
  EXPECT_EQ(machine_.Volume.Content(failing), kFiles[1].Content.substr(0, 5));
  EXPECT_FALSE(machine_.Volume.IsOpen(failing));
}

TEST_F(InstallerTest, AProgramFileThatCannotBeOpenedIsReportedBeforeAnythingIsWritten) {
  marker_ = MarkerFor(100);  // an archive is announced, but the program's file is missing

  EXPECT_EQ(Run(), 2);

  ExpectErrorReport("Cannot open file " + machine_.Volume.OwnModulePath() + ".");
  EXPECT_EQ(StatusTexts(), std::vector<std::string>{kLoading});
  EXPECT_TRUE(machine_.Ui.Progress().empty());
  EXPECT_FALSE(machine_.Volume.Exists("C:\\Program Files\\TOLMA"));
}

struct NoArchiveCase {
  const char* Name;
  std::string Image;  // the program's file
  ArchiveMarkerBytes Marker;
  friend void PrintTo(const NoArchiveCase& c, std::ostream* os) { *os << c.Name; }
};

class NoArchiveTest : public InstallerTest, public testing::WithParamInterface<NoArchiveCase> {};

TEST_P(NoArchiveTest, ShowsTheFailureWritesNothingAndExitsWithOne) {
  machine_.Volume.AddFile(machine_.Volume.OwnModulePath(), GetParam().Image);
  marker_ = GetParam().Marker;

  EXPECT_EQ(Run(), 1);

  EXPECT_EQ(StatusTexts(), (std::vector<std::string>{kLoading, kFailedToLoad}));
  EXPECT_TRUE(machine_.Ui.Progress().empty());
  EXPECT_FALSE(machine_.Volume.Exists("C:\\Program Files\\TOLMA"));
  EXPECT_TRUE(machine_.Store.CopyCalls().empty());
  EXPECT_TRUE(machine_.Registry.OpenCalls().empty());
  // The pause, then the window closes by itself.
  EXPECT_EQ(machine_.Threads.TickReadings(), 1002);
  EXPECT_EQ(machine_.Ui.Count(UiEventKind::Close), 1);
  EXPECT_EQ(machine_.Ui.WaitsForUser(), 0);
  EXPECT_TRUE(machine_.Ui.ErrorBoxes().empty());
}

const std::string kStubImage = "MZ stub image without payload\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, NoArchiveTest,
    testing::Values(
        NoArchiveCase{"StubWithoutPayload", kStubImage, kNoArchiveMarker},
        NoArchiveCase{"NegativeOffset", kStubImage + ArchiveBytes({{"a.sys", "x"}}),
                      Marker(std::string("\x1F\0\0\x80", 4))},
        NoArchiveCase{"OffsetBeyondTheFile", kStubImage, MarkerFor(4096)},
        NoArchiveCase{"TruncatedArchive",
                      kStubImage + ArchiveBytes({{"a.sys", "some content"}}).substr(0, 20),
                      MarkerFor(static_cast<int32_t>(kStubImage.size()))},
        NoArchiveCase{"PathOutsideTheRoot", kStubImage + ArchiveBytes({{"..\\..\\evil.dll", "x"}}),
                      MarkerFor(static_cast<int32_t>(kStubImage.size()))}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace tolma::installer_test
