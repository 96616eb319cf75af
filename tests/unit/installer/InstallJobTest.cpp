// The installation job as a user sees it: the status line and the bar, what lands on the
// volume, in the driver store and in the ledger.

#include <gtest/gtest.h>

#include <ostream>

#include "tests/unit/installer/InstallerFixture.h"

namespace tolma::installer_test {
namespace {

using sim::ProgressMaxEvent;
using sim::ProgressPositionEvent;
using sim::UiEvent;
using sim::UiEventKind;

std::vector<UiEvent> Positions(int32_t from, int32_t to, int32_t step = 1) {
  std::vector<UiEvent> events;
  for (int32_t p = from; p <= to; p += step) events.push_back(ProgressPositionEvent(p));
  return events;
}

std::vector<UiEvent> Concat(std::vector<std::vector<UiEvent>> parts) {
  std::vector<UiEvent> all;
  for (auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

struct JobCase {
  const char* Name;
  size_t FileCount;
  std::vector<size_t> InfAt;
  std::vector<UiEvent> Progress;
  friend void PrintTo(const JobCase& c, std::ostream* os) { *os << c.Name; }
};

class WholeJobTest : public InstallerTest, public testing::WithParamInterface<JobCase> {};

TEST_P(WholeJobTest, ShowsItsTextsAndProgressAndInstallsEverything) {
  const JobCase& c = GetParam();
  const std::vector<ArchiveFile> files = Package(c.FileCount, c.InfAt);
  AttachArchive(files);

  EXPECT_EQ(Run(), 0);

  EXPECT_EQ(StatusTexts(),
            (std::vector<std::string>{kLoading, kCopying, kRegistering, kInstalled}));
  EXPECT_EQ(machine_.Ui.Progress(), c.Progress);
  for (const ArchiveFile& file : files) ExpectWritten(file);

  // One ledger value per INF, in archive order, naming its published copy.
  LedgerValues expected;
  for (size_t j = 0; j < c.InfAt.size(); ++j) {
    expected.push_back(
        {kInstallRoot + files[c.InfAt[j]].RelPath, "oem" + std::to_string(j) + ".inf"});
  }
  EXPECT_EQ(Ledger(), expected);
  EXPECT_EQ(machine_.Store.Published().size(), c.InfAt.size());
  for (const auto& call : machine_.Registry.OpenCalls()) {
    EXPECT_EQ(call.Path, kInfLedgerPath);
    EXPECT_EQ(call.Rights, 0xF003Fu);
    EXPECT_TRUE(call.Create);
  }

  // The job closed the window by itself after its pause, with nothing left to the user.
  EXPECT_TRUE(machine_.Ui.ErrorBoxes().empty());
  EXPECT_EQ(machine_.Ui.WaitsForUser(), 0);
  EXPECT_EQ(machine_.Ui.Count(UiEventKind::Close), 1);
  EXPECT_EQ(machine_.Ui.Count(UiEventKind::UserClose), 0);
  EXPECT_TRUE(machine_.Ui.WindowDestroyed());
}

INSTANTIATE_TEST_SUITE_P(Cases, WholeJobTest,
                         testing::Values(JobCase{"NoFiles",
                                                 0,
                                                 {},
                                                 {ProgressMaxEvent(1), ProgressPositionEvent(1),
                                                  ProgressMaxEvent(1), ProgressPositionEvent(1)}},
                                         JobCase{"NoInf",
                                                 3,
                                                 {},
                                                 Concat({{ProgressMaxEvent(4)},
                                                         Positions(1, 4),
                                                         {ProgressMaxEvent(1)},
                                                         {ProgressPositionEvent(1)}})},
                                         JobCase{"ThirtySixFilesThreeInfs",
                                                 36,
                                                 {0, 17, 35},
                                                 Concat({{ProgressMaxEvent(259)},
                                                         Positions(1, 37),
                                                         {ProgressMaxEvent(7)},
                                                         Positions(1, 7, 2)})}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(InstallerTest, InfInASubFolderIsPublishedWithItsFullPathOnceEveryFileIsWritten) {
  const std::vector<ArchiveFile> files = {{"net.sys", "driver"},
                                          {"Sub\\Dir\\net.inf", "[Version]"},
                                          {"Sub\\Dir\\net.cat", "catalog"},
                                          {"co.dll", "co-installer"}};
  AttachArchive(files);

  EXPECT_EQ(Run(), 0);

  const std::string inf = kInstallRoot + "Sub\\Dir\\net.inf";
  ASSERT_EQ(machine_.Store.CopyCalls().size(), 1u);
  const auto& call = machine_.Store.CopyCalls()[0];
  EXPECT_EQ(call.Source, inf);
  EXPECT_EQ(call.DestinationSize, 283u);
  EXPECT_TRUE(call.OnWorker);
  for (const ArchiveFile& file : files) {
    EXPECT_NE(std::find(call.FilesOnVolume.begin(), call.FilesOnVolume.end(),
                        kInstallRoot + file.RelPath),
              call.FilesOnVolume.end())
        << file.RelPath << " was not written before the publication";
  }
  EXPECT_EQ(Ledger(), (LedgerValues{{inf, "oem0.inf"}}));
}

struct ExtensionCase {
  const char* Name;
  const char* RelPath;
  bool Published;
  friend void PrintTo(const ExtensionCase& c, std::ostream* os) { *os << c.Name; }
};

class InfExtensionTest : public InstallerTest, public testing::WithParamInterface<ExtensionCase> {};

TEST_P(InfExtensionTest, OnlyTheLastExtensionOfTheFileNameCounts) {
  AttachArchive({{GetParam().RelPath, "[Version]"}});

  EXPECT_EQ(Run(), 0);

  ExpectWritten({GetParam().RelPath, "[Version]"});
  const bool published = !machine_.Store.CopyCalls().empty();
  EXPECT_EQ(published, GetParam().Published);
  EXPECT_EQ(Ledger().size(), GetParam().Published ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InfExtensionTest,
    testing::Values(ExtensionCase{"Lower", "a.inf", true}, ExtensionCase{"Mixed", "b.Inf", true},
                    ExtensionCase{"Upper", "Sub\\C.INF", true},
                    ExtensionCase{"Backup", "a.inf.bak", false},
                    ExtensionCase{"FolderNamedInf", "x.inf\\readme.txt", false},
                    ExtensionCase{"NoExtension", "inf", false},
                    ExtensionCase{"DotInfOnly", "Sub\\.inf", true},
                    ExtensionCase{"Similar", "a.inx", false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(InstallerTest, AnExistingFileIsReplacedAndTakesTheStoredTime) {
  machine_.Volume.AddFile(kInstallRoot + "Sub\\net.sys", "a much longer old driver image",
                          platform::FileTime{1, 1});
  const ArchiveFile file{"Sub\\net.sys", "new", {0xABCDEF01, 0x01D00000}};
  AttachArchive({file});

  EXPECT_EQ(Run(), 0);

  ExpectWritten(file);
  EXPECT_EQ(Installed(),
            (std::vector<std::string>{kInstallRoot + "Sub", kInstallRoot + "Sub\\net.sys"}));
}

TEST_F(InstallerTest, TheSameRelPathTwiceLeavesTheLaterFileAndOneLedgerValue) {
  AttachArchive({{"a.inf", "[Version] first"}, {"a.inf", "[Version] second"}});

  EXPECT_EQ(Run(), 0);

  ExpectWritten({"a.inf", "[Version] second"});
  EXPECT_EQ(machine_.Store.CopyCalls().size(), 2u);
  EXPECT_EQ(Ledger(), (LedgerValues{{kInstallRoot + "a.inf", "oem0.inf"}}));
}

TEST_F(InstallerTest, PublishingContentAlreadyInTheStoreRecordsTheExistingName) {
  machine_.Store.PlantPublished("oem0.inf", "[Version] other");
  machine_.Store.PlantPublished("oem1.inf", "[Version] same");
  AttachArchive({{"a.inf", "[Version] same"}, {"b.inf", "[Version] new"}});

  EXPECT_EQ(Run(), 0);

  EXPECT_EQ(Ledger(), (LedgerValues{{kInstallRoot + "a.inf", "oem1.inf"},
                                    {kInstallRoot + "b.inf", "oem2.inf"}}));
}

TEST_F(InstallerTest, ACloseDuringTheJobWritesEverythingAndSkipsThePause) {
  const std::vector<ArchiveFile> files = Package(6, {1, 4});
  AttachArchive(files);
  // The first pumps: the loop's own, after "Loading", after the load, after "Copying", then
  // one per file: the click lands while the files are being written.
  machine_.Ui.CloseAtDispatch(6);

  EXPECT_EQ(Run(), 0);

  const auto& events = machine_.Ui.Events();
  const auto at = [&](const UiEvent& event) {
    return std::find(events.begin(), events.end(), event) - events.begin();
  };
  const auto click =
      std::find_if(events.begin(), events.end(),
                   [](const UiEvent& event) { return event.Kind == UiEventKind::UserClose; }) -
      events.begin();
  EXPECT_LT(at({UiEventKind::Status, kCopying, 0}), click);
  EXPECT_LT(click, at({UiEventKind::Status, kRegistering, 0}));

  for (const ArchiveFile& file : files) ExpectWritten(file);
  EXPECT_EQ(Ledger().size(), 2u);
  EXPECT_EQ(StatusTexts().back(), kInstalled);
  // The pause reads the clock once for its deadline and returns after one pass.
  EXPECT_EQ(machine_.Threads.TickReadings(), 1);
  // The job's own close comes after the user's and changes nothing.
  EXPECT_EQ(machine_.Ui.Count(UiEventKind::Close), 2);
  EXPECT_EQ(machine_.Ui.Count(UiEventKind::Destroyed), 1);
  EXPECT_EQ(machine_.Ui.WaitsForUser(), 0);
}

TEST_F(InstallerTest, WithoutACloseThePauseLastsPastOneSecond) {
  AttachArchive({{"a.sys", "x"}});
  machine_.Threads.SetTick(5000);

  EXPECT_EQ(Run(), 0);

  // Readings 5000 (the deadline 6000), then 5001 ... 6001: the first one past the deadline.
  EXPECT_EQ(machine_.Threads.TickReadings(), 1002);
  EXPECT_EQ(machine_.Threads.Tick(), 6002u);
}

struct PlacementCase {
  const char* Name;
  std::optional<std::string> ProgramFiles;
  bool DoubleByteCodePage;
  std::string Root;  // where the files land, and the start of each ledger name
  friend void PrintTo(const PlacementCase& c, std::ostream* os) { *os << c.Name; }
};

class PlacementTest : public InstallerTest, public testing::WithParamInterface<PlacementCase> {};

TEST_P(PlacementTest, FilesAndLedgerNamesFollowTheInstallRoot) {
  machine_.Volume.AddDrive('D');
  machine_.System.SetSpecialFolder(sim::kCsidlProgramFiles, GetParam().ProgramFiles);
  if (GetParam().DoubleByteCodePage)
    machine_.System.SetLeadByteRanges({{0x81, 0x9F}, {0xE0, 0xFC}});
  AttachArchive({{"Sub\\a.inf", "[Version]"}, {"Sub\\a.sys", "driver"}});

  EXPECT_EQ(Run(), 0);

  EXPECT_EQ(machine_.Volume.Content(GetParam().Root + "Sub\\a.inf"), "[Version]");
  EXPECT_EQ(machine_.Volume.Content(GetParam().Root + "Sub\\a.sys"), "driver");
  EXPECT_EQ(machine_.Registry.ValueOf(kInfLedgerPath, GetParam().Root + "Sub\\a.inf")->Data,
            std::string("oem0.inf\0", 9));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlacementTest,
    testing::Values(PlacementCase{"ShellFailsRootOfTheCurrentDrive", std::nullopt, false,
                                  "\\TOLMA\\Common Drivers\\"},
                    PlacementCase{"TrailByteBackslashInProgramFiles", "C:\\\x83\\", true,
                                  "C:\\\x83\\\\TOLMA\\Common Drivers\\"},
                    PlacementCase{"OtherDrive", "D:\\Programs", false,
                                  "D:\\Programs\\TOLMA\\Common Drivers\\"}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace tolma::installer_test
