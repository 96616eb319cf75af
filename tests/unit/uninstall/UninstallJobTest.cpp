#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UninstallFixture.h"

namespace tolma::test {
namespace {

using sim::UiEvent;
using sim::UiEventKind;

const std::vector<std::string> kSuccessTexts = {"Unregistering .INFs\x85", "Deleting files\x85",
                                                "Drivers uninstalled successfully."};

std::vector<UiEvent> ProgressOf(int32_t max, const std::vector<int32_t>& positions) {
  std::vector<UiEvent> events = {sim::ProgressMaxEvent(max)};
  for (const int32_t position : positions) events.push_back(sim::ProgressPositionEvent(position));
  return events;
}

TEST_F(UninstallTest, MissingLedgerRunsTheThreeTextsAndLeavesTheRegistryAlone) {
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(machine.Ui.StatusTexts(), kSuccessTexts);
  EXPECT_EQ(machine.Ui.Progress(), ProgressOf(1, {0, 1}));
  EXPECT_FALSE(machine.Registry.KeyExists(kLedger)) << "the ledger is never created";
  EXPECT_TRUE(WithdrawnNames().empty());
  EXPECT_EQ(machine.Ui.Count(UiEventKind::Close), 1);
  EXPECT_EQ(machine.Ui.WaitsForUser(), 0) << "the window closes by itself";
}

TEST_F(UninstallTest, EmptyLedgerKeyStays) {
  machine.Registry.AddKey(kLedger);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(machine.Ui.StatusTexts(), kSuccessTexts);
  EXPECT_EQ(machine.Ui.Progress(), ProgressOf(1, {0, 1}));
  EXPECT_TRUE(machine.Registry.KeyExists(kLedger));
}

TEST_F(UninstallTest, ThreeRecordsInTwoFoldersAreWithdrawnLastFirstAndBothFoldersGo) {
  Installed("Net\\a.inf", "oem1.inf");
  Installed("Net\\b.inf", "oem2.inf");
  Installed("Usb\\c.inf", "oem3.inf");
  machine.Volume.AddFile(kRoot + "Net\\a.sys", "driver");
  machine.Volume.AddFile(kRoot + "Usb\\Sub\\c.cat", "catalog");

  EXPECT_EQ(Run(), 0);

  EXPECT_EQ(WithdrawnNames(), (std::vector<std::string>{"oem3.inf", "oem2.inf", "oem1.inf"}));
  for (const auto& call : machine.Store.UninstallCalls()) {
    EXPECT_EQ(call.Flags, platform::kSuoiForceDelete);
    EXPECT_FALSE(call.OnWorker) << "withdrawal runs on the main thread";
  }
  EXPECT_FALSE(machine.Store.Holds("oem1.inf"));
  EXPECT_TRUE(LedgerNames().empty());
  EXPECT_TRUE(machine.Registry.KeyExists(kLedger)) << "the key itself is never deleted";
  EXPECT_FALSE(machine.Volume.Exists(kRoot + "Net"));
  EXPECT_FALSE(machine.Volume.Exists(kRoot + "Usb"));
  EXPECT_TRUE(machine.Volume.Exists(kRoot)) << "no record named the root itself";
  EXPECT_TRUE(machine.Volume.Exists("C:\\Program Files\\TOLMA"));
  EXPECT_EQ(machine.Ui.StatusTexts(), kSuccessTexts);
  EXPECT_EQ(machine.Ui.Progress(), ProgressOf(4, {0, 1, 2, 3, 4}));
}

TEST_F(UninstallTest, AnInfAtTheTopDeletesTheInstallRootButNeverItsParents) {
  Installed("top.inf", "oem1.inf");
  machine.Volume.AddFile("C:\\Program Files\\TOLMA\\other.txt", "not ours");

  EXPECT_EQ(Run(), 0);

  EXPECT_FALSE(machine.Volume.Exists(kRoot));
  EXPECT_TRUE(machine.Volume.Exists("C:\\Program Files\\TOLMA\\other.txt"));
  EXPECT_TRUE(machine.Volume.Exists("C:\\Program Files"));
}

TEST_F(UninstallTest, FoldersDifferingOnlyInCaseAreTwoEntriesAndBothGo) {
  Installed("Drv\\a.inf", "oem1.inf");
  machine.Registry.PlantString(kLedger, kRoot + "DRV\\b.inf", "oem2.inf");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(WithdrawnNames().size(), 2U);
  EXPECT_FALSE(machine.Volume.Exists(kRoot + "Drv"));
}

TEST_F(UninstallTest, AFolderAndItsSubFolderGoInEitherOrder) {
  for (const bool parentFirst : {true, false}) {
    SCOPED_TRACE(parentFirst ? "parent first" : "sub-folder first");
    sim::SimMachine fresh;
    fresh.System.SetCommandLine("x /uninstall");
    const std::vector<std::string> names = {kRoot + "A\\a.inf", kRoot + "A\\Sub\\b.inf"};
    for (size_t i = 0; i < names.size(); ++i) {
      const std::string& name = parentFirst ? names[i] : names[names.size() - 1 - i];
      fresh.Volume.AddFile(name, "[Version]");
      fresh.Registry.PlantString(kLedger, name, "oem" + std::to_string(i) + ".inf");
    }
    fresh.Volume.AddFile(kRoot + "A\\Sub\\Deeper\\c.sys", "driver");

    EXPECT_EQ(DriverInstall(fresh.Services(), ArchiveMarkerBytes{}), 0);

    EXPECT_FALSE(fresh.Volume.Exists(kRoot + "A"));
    EXPECT_TRUE(fresh.Volume.Exists(kRoot));
  }
}

TEST_F(UninstallTest, HiddenAndSystemFilesGoAReadOnlyFileStaysWithTheFoldersAboveIt) {
  Installed("Drv\\a.inf", "oem1.inf");
  machine.Volume.AddFile(kRoot + "Drv\\hidden.dat", "h", std::nullopt, platform::kAttrHidden);
  machine.Volume.AddFile(kRoot + "Drv\\system.dat", "s", std::nullopt, platform::kAttrSystem);
  machine.Volume.AddFile(kRoot + "Drv\\Keep\\locked.dat", "r", std::nullopt,
                         platform::kAttrReadOnly);
  machine.Volume.AddFile(kRoot + "Drv\\Other\\plain.dat", "p");

  EXPECT_EQ(Run(), 0);

  EXPECT_FALSE(machine.Volume.Exists(kRoot + "Drv\\hidden.dat"));
  EXPECT_FALSE(machine.Volume.Exists(kRoot + "Drv\\system.dat"));
  EXPECT_FALSE(machine.Volume.Exists(kRoot + "Drv\\a.inf"));
  EXPECT_FALSE(machine.Volume.Exists(kRoot + "Drv\\Other"));
  EXPECT_TRUE(machine.Volume.Exists(kRoot + "Drv\\Keep\\locked.dat"));
  EXPECT_TRUE(machine.Volume.Exists(kRoot + "Drv\\Keep"));
}

struct RegistryFault {
  const char* Title;
  std::function<void(sim::SimMachine&, const std::string& name)> Plant;
  const char* Message;
};

class UninstallRegistryFaultTest : public UninstallTest,
                                   public ::testing::WithParamInterface<RegistryFault> {};

// Walked entries stay done, the faulty one and those below it are untouched, no folder is
// deleted and the error stays on screen.
TEST_P(UninstallRegistryFaultTest, StopsTheWalkAtTheFaultyValue) {
  const std::string bad = kRoot + "Bad\\bad.inf";
  Installed("First\\first.inf", "oem1.inf");
  machine.Volume.AddFile(bad, "[Version]");
  GetParam().Plant(machine, bad);
  Installed("Last\\last.inf", "oem3.inf");

  EXPECT_EQ(Run(), 2);

  EXPECT_EQ(machine.Ui.ErrorBoxes(), std::vector<std::string>{GetParam().Message + bad + "'"});
  EXPECT_EQ(WithdrawnNames(), std::vector<std::string>{"oem3.inf"});
  EXPECT_EQ(machine.Registry.ValueOf(kLedger, kRoot + "Last\\last.inf"), std::nullopt);
  EXPECT_TRUE(machine.Registry.ValueOf(kLedger, kRoot + "First\\first.inf").has_value());
  EXPECT_TRUE(machine.Store.Holds("oem1.inf"));
  EXPECT_TRUE(machine.Volume.Exists(kRoot + "Last\\last.inf")) << "no folder is deleted";
  EXPECT_TRUE(machine.Volume.Exists(kRoot + "First\\first.inf"));
  EXPECT_EQ(machine.Ui.StatusTexts().back(), "Unregistering .INFs\x85");
  EXPECT_EQ(machine.Ui.WaitsForUser(), 1) << "the window stays until the user closes it";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, UninstallRegistryFaultTest,
    ::testing::Values(
        RegistryFault{"DwordValue",
                      [](sim::SimMachine& m, const std::string& name) {
                        m.Registry.PlantValue(kLedger, name,
                                              {platform::kRegDword, std::string("\1\0\0\0", 4)});
                      },
                      "Invalid data type for '"},
        RegistryFault{"BinaryValue",
                      [](sim::SimMachine& m, const std::string& name) {
                        m.Registry.PlantValue(kLedger, name, {platform::kRegBinary, "oem2.inf"});
                      },
                      "Invalid data type for '"},
        RegistryFault{"ValueVanishes",
                      [](sim::SimMachine& m, const std::string& name) {
                        m.Registry.PlantString(kLedger, name, "oem2.inf");
                        m.Registry.VanishOnFirstRead(kLedger, name);
                      },
                      "Failed to get data for '"}),
    [](const auto& info) { return std::string(info.param.Title); });

TEST_F(UninstallTest, ExpandStringDataIsTakenLiterallyUpToItsFirstNul) {
  machine.Volume.AddFile(kRoot + "Drv\\a.inf", "[Version]");
  machine.Registry.PlantValue(kLedger, kRoot + "Drv\\a.inf",
                              {platform::kRegExpandSz, std::string("oem%N%.inf\0junk", 15)});
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(WithdrawnNames(), std::vector<std::string>{"oem%N%.inf"});
  EXPECT_TRUE(LedgerNames().empty());
}

// Names this program would not have written: the record is withdrawn and its value deleted,
// but nothing outside the install root is deleted.
TEST_F(UninstallTest, NamesOutsideTheInstallRootDeleteNoFolder) {
  const std::vector<std::pair<std::string, std::string>> outside = {
      {"", "C:\\keep-root.txt"},
      {"loose.inf", "C:\\keep-root.txt"},
      {"C:\\boot.inf", "C:\\keep-root.txt"},
      {"C:\\Windows\\System32\\drivers\\evil.inf", "C:\\Windows\\System32\\drivers\\disk.sys"},
      {kRoot + "..\\..\\x.inf", "C:\\Program Files\\keep.txt"},
      {kRoot + "Sub\\..\\..\\y.inf", "C:\\Program Files\\TOLMA\\keep.txt"},
      {"C:\\Program Files\\TOLMA\\z.inf", "C:\\Program Files\\TOLMA\\keep.txt"},
      {kRoot + "a/../../w.inf", "C:\\Program Files\\TOLMA\\keep.txt"},
      {"C:\\Program Files\\TOLMA\\Common Drivers Extra\\v.inf",
       "C:\\Program Files\\TOLMA\\Common Drivers Extra\\keep.txt"},
  };
  for (size_t i = 0; i < outside.size(); ++i) {
    const auto& [name, survivor] = outside[i];
    machine.Volume.AddFile(survivor, "must survive");
    machine.Registry.PlantString(kLedger, name, "oem" + std::to_string(i) + ".inf");
  }

  EXPECT_EQ(Run(), 0);

  EXPECT_EQ(WithdrawnNames().size(), outside.size());
  EXPECT_TRUE(LedgerNames().empty());
  for (const auto& [name, survivor] : outside) {
    EXPECT_EQ(machine.Volume.Content(survivor), "must survive") << "record " << name;
  }
}

TEST_F(UninstallTest, AJunctionInsideTheRootIsRemovedWithoutTouchingItsTarget) {
  machine.Volume.AddFile("C:\\Windows\\important.dll", "system file");
  machine.Volume.AddFile("C:\\Windows\\Sub\\more.dll", "system file");
  Installed("Drv\\a.inf", "oem1.inf");
  machine.Volume.AddJunction(kRoot + "Drv\\link", "C:\\Windows");
  machine.Volume.AddFileLink(kRoot + "Drv\\file-link.dll", "C:\\Windows\\important.dll");

  EXPECT_EQ(Run(), 0);

  EXPECT_FALSE(machine.Volume.Exists(kRoot + "Drv"));
  EXPECT_EQ(machine.Volume.Content("C:\\Windows\\important.dll"), "system file");
  EXPECT_EQ(machine.Volume.Content("C:\\Windows\\Sub\\more.dll"), "system file");
}

TEST_F(UninstallTest, AnInstallFolderThatIsItselfALinkIsRemovedAsALink) {
  machine.Volume.AddFile("C:\\Windows\\important.dll", "system file");
  machine.Volume.AddJunction(kRoot + "Drv", "C:\\Windows");
  machine.Registry.PlantString(kLedger, kRoot + "Drv\\a.inf", "oem1.inf");

  EXPECT_EQ(Run(), 0);

  EXPECT_FALSE(machine.Volume.Exists(kRoot + "Drv"));
  EXPECT_EQ(machine.Volume.Content("C:\\Windows\\important.dll"), "system file");
}

TEST_F(UninstallTest, AFailedWithdrawalKeepsItsRecordAndItsFolder) {
  Installed("Net\\a.inf", "oem1.inf");
  Installed("Usb\\b.inf", "oem2.inf");
  machine.Store.FailUninstalls(sim::kErrorAccessDenied);

  EXPECT_EQ(Run(), 3);

  EXPECT_EQ(LedgerNames(), (std::vector<std::string>{kRoot + "Net\\a.inf", kRoot + "Usb\\b.inf"}));
  EXPECT_TRUE(machine.Volume.Exists(kRoot + "Net\\a.inf"));
  EXPECT_TRUE(machine.Volume.Exists(kRoot + "Usb\\b.inf"));
  EXPECT_EQ(machine.Ui.StatusTexts().back(), "Some drivers could not be uninstalled.");
  EXPECT_EQ(machine.Ui.WaitsForUser(), 0) << "not an error report: the window still closes";

  // A later uninstallation, once the store lets go, finishes the job.
  machine.Store.FailUninstalls(std::nullopt);
  machine.Ui.StartNewProcess();
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(LedgerNames().empty());
  EXPECT_FALSE(machine.Volume.Exists(kRoot + "Net"));
}

TEST_F(UninstallTest, ACopyAlreadyGoneFromTheStoreCountsAsWithdrawn) {
  machine.Volume.AddFile(kRoot + "Drv\\a.inf", "[Version]");
  machine.Registry.PlantString(kLedger, kRoot + "Drv\\a.inf", "oem9.inf");

  EXPECT_EQ(Run(), 0);

  ASSERT_EQ(machine.Store.UninstallCalls().size(), 1U);
  EXPECT_EQ(machine.Store.UninstallCalls()[0].Result.Error, platform::kErrorFileNotFound);
  EXPECT_TRUE(LedgerNames().empty());
  EXPECT_FALSE(machine.Volume.Exists(kRoot + "Drv"));
  EXPECT_EQ(machine.Ui.StatusTexts().back(), "Drivers uninstalled successfully.");
}

TEST_F(UninstallTest, AnEmptyRecordNamesNothingToWithdrawAndIsDeleted) {
  machine.Volume.AddFile(kRoot + "Drv\\a.inf", "[Version]");
  machine.Registry.PlantValue(kLedger, kRoot + "Drv\\a.inf", {platform::kRegSz, ""});
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(WithdrawnNames().empty());
  EXPECT_TRUE(LedgerNames().empty());
  EXPECT_FALSE(machine.Volume.Exists(kRoot + "Drv"));
}

TEST_F(UninstallTest, AnAbsentEntryPointStopsBeforeAnythingIsTouched) {
  Installed("Drv\\a.inf", "oem1.inf");
  machine.Store.SetUninstallEntryMissing(true);

  EXPECT_EQ(Run(), 2);

  EXPECT_EQ(machine.Ui.ErrorBoxes(),
            std::vector<std::string>{"SetupUninstallOEMInfA is not available in SetupAPI.dll."});
  EXPECT_EQ(machine.Store.AbsentEntryCalls(), 0);
  EXPECT_EQ(LedgerNames(), std::vector<std::string>{kRoot + "Drv\\a.inf"});
  EXPECT_TRUE(machine.Volume.Exists(kRoot + "Drv\\a.inf"));
  EXPECT_TRUE(machine.Store.Holds("oem1.inf"));
}

TEST_F(UninstallTest, AMissingSetupApiWithNothingRecordedIsNoError) {
  machine.Store.SetLibraryMissing(true);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(machine.Ui.StatusTexts(), kSuccessTexts);
}

TEST_F(UninstallTest, ASecondUninstallationIsHarmless) {
  Installed("Drv\\a.inf", "oem1.inf");
  EXPECT_EQ(Run(), 0);
  machine.Ui.StartNewProcess();
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(machine.Store.UninstallCalls().size(), 1U);
  EXPECT_EQ(machine.Ui.StatusTexts(), kSuccessTexts);
  EXPECT_TRUE(machine.Registry.KeyExists(kLedger));
}

}  // namespace
}  // namespace tolma::test
