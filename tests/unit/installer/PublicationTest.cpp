// Publishing the extracted INFs: the worker, the ledger and what a failure of either does.

#include <gtest/gtest.h>

#include <ostream>

#include "tests/unit/installer/InstallerFixture.h"

namespace tolma::installer_test {
namespace {

using sim::ProgressPositionEvent;

const std::vector<ArchiveFile> kTwoInfs = {
    {"a.inf", "[Version] a"}, {"Sub\\a.sys", "driver"}, {"Sub\\b.inf", "[Version] b"}};

TEST_F(InstallerTest, AFailedPublicationLeavesNoLedgerValueAndShowsNothing) {
  machine_.Store.FailCopies(sim::kErrorAccessDenied);
  AttachArchive(kTwoInfs);

  EXPECT_EQ(Run(), 0);

  // Both were tried; the garbage the service leaves in the buffer was not read.
  EXPECT_EQ(machine_.Store.CopyCalls().size(), 2u);
  EXPECT_TRUE(Ledger().empty());
  EXPECT_TRUE(machine_.Ui.ErrorBoxes().empty());
  EXPECT_EQ(StatusTexts().back(), kInstalled);
  for (const ArchiveFile& file : kTwoInfs) ExpectWritten(file);
}

TEST_F(InstallerTest, OnlyTheFailedPublicationIsMissingFromTheLedger) {
  machine_.Store.FailCopyOf(kInstallRoot + "a.inf", sim::kErrorAccessDenied);
  AttachArchive(kTwoInfs);

  EXPECT_EQ(Run(), 0);

  EXPECT_EQ(machine_.Store.CopyCalls().size(), 2u);
  EXPECT_EQ(Ledger(), (LedgerValues{{kInstallRoot + "Sub\\b.inf", "oem0.inf"}}));
}

TEST_F(InstallerTest, AThreadThatCannotBeCreatedStopsTheJobWithAnError) {
  machine_.Threads.FailCreation(true);
  AttachArchive(kTwoInfs);

  EXPECT_EQ(Run(), 2);

  EXPECT_EQ(machine_.Ui.ErrorBoxes(), std::vector<std::string>{"Cannot start a thread to publish " +
                                                               kInstallRoot + "a.inf."});
  EXPECT_TRUE(machine_.Store.CopyCalls().empty());
  EXPECT_TRUE(Ledger().empty());
  for (const ArchiveFile& file : kTwoInfs) ExpectWritten(file);
}

enum class LedgerFault { WritesRefused, KeyDenied };

struct LedgerFaultCase {
  const char* Name;
  LedgerFault Kind;
  friend void PrintTo(const LedgerFaultCase& c, std::ostream* os) { *os << c.Name; }
};

class LedgerFaultTest : public InstallerTest,
                        public testing::WithParamInterface<LedgerFaultCase> {};

TEST_P(LedgerFaultTest, StopsTheJobAtThatInf) {
  if (GetParam().Kind == LedgerFault::WritesRefused) {
    machine_.Registry.RefuseWrites(true);
  } else {
    machine_.Registry.DenyKey(kInfLedgerPath);
  }
  AttachArchive(kTwoInfs);

  EXPECT_EQ(Run(), 2);

  // The message ends in "'", so the report adds no full stop.
  ExpectErrorReport("Failed to set data for '" + kInstallRoot + "a.inf'");
  EXPECT_EQ(StatusTexts().back(), kRegistering);
  EXPECT_EQ(machine_.Ui.Progress().back(), ProgressPositionEvent(1));
  // The first INF stays published without a record; the second is not published.
  ASSERT_EQ(machine_.Store.CopyCalls().size(), 1u);
  EXPECT_EQ(machine_.Store.CopyCalls()[0].Source, kInstallRoot + "a.inf");
  EXPECT_EQ(machine_.Store.Published().size(), 1u);
  EXPECT_TRUE(Ledger().empty());
  for (const ArchiveFile& file : kTwoInfs) ExpectWritten(file);
}

INSTANTIATE_TEST_SUITE_P(Cases, LedgerFaultTest,
                         testing::Values(LedgerFaultCase{"WritesRefused",
                                                         LedgerFault::WritesRefused},
                                         LedgerFaultCase{"KeyDenied", LedgerFault::KeyDenied}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(InstallerTest, RecordsMadeBeforeALedgerWriteFailsStay) {
  AttachArchive({{"a.inf", "[Version] a"}, {"b.inf", "[Version] b"}, {"c.inf", "[Version] c"}});
  machine_.Registry.RefuseWritesAfter(1);

  EXPECT_EQ(Run(), 2);

  ExpectErrorReport("Failed to set data for '" + kInstallRoot + "b.inf'");
  EXPECT_EQ(machine_.Store.CopyCalls().size(), 2u);
  EXPECT_EQ(Ledger(), (LedgerValues{{kInstallRoot + "a.inf", "oem0.inf"}}));
}

enum class Binding { CopyEntryAbsent, LibraryMissing };

struct BindingCase {
  const char* Name;
  Binding Kind;
  friend void PrintTo(const BindingCase& c, std::ostream* os) { *os << c.Name; }
};

class AbsentEntryPointTest : public InstallerTest,
                             public testing::WithParamInterface<BindingCase> {};

TEST_P(AbsentEntryPointTest, IsReportedBeforeAnyPublicationAndRecordsNothing) {
  if (GetParam().Kind == Binding::CopyEntryAbsent) {
    machine_.Store.SetCopyEntryMissing(true);
  } else {
    machine_.Store.SetLibraryMissing(true);
  }
  AttachArchive(kTwoInfs);

  EXPECT_EQ(Run(), 2);

  ExpectErrorReport("SetupCopyOEMInfA is not available in SetupAPI.dll.");
  for (const ArchiveFile& file : kTwoInfs) ExpectWritten(file);
  EXPECT_TRUE(machine_.Store.CopyCalls().empty());
  EXPECT_TRUE(machine_.Registry.OpenCalls().empty());
  EXPECT_TRUE(machine_.Threads.Workers().empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, AbsentEntryPointTest,
                         testing::Values(BindingCase{"CopyEntryAbsent", Binding::CopyEntryAbsent},
                                         BindingCase{"LibraryMissing", Binding::LibraryMissing}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(InstallerTest, AnArchiveWithoutInfsNeedsNoSetupApi) {
  machine_.Store.SetLibraryMissing(true);
  AttachArchive({{"a.sys", "driver"}});

  EXPECT_EQ(Run(), 0);

  EXPECT_TRUE(machine_.Ui.ErrorBoxes().empty());
}

struct WorkerCase {
  const char* Name;
  uint32_t PollsBeforeEnd;
  friend void PrintTo(const WorkerCase& c, std::ostream* os) { *os << c.Name; }
};

class WorkerTimingTest : public InstallerTest, public testing::WithParamInterface<WorkerCase> {};

TEST_P(WorkerTimingTest, PollsWithOneMillisecondSleepsUntilTheWorkerEnds) {
  const uint32_t running = GetParam().PollsBeforeEnd;
  machine_.Threads.SetPollsBeforeEnd(running);
  AttachArchive({{"a.inf", "[Version]"}});

  EXPECT_EQ(Run(), 0);

  // A worker that ends before the first poll: the loop does not run, the value is written.
  EXPECT_EQ(machine_.Threads.Sleeps(), std::vector<uint32_t>(running, 1));
  ASSERT_EQ(machine_.Threads.Workers().size(), 1u);
  EXPECT_TRUE(machine_.Threads.Workers()[0].Resumed);
  EXPECT_EQ(machine_.Threads.Workers()[0].Polls, static_cast<int>(running) + 1);
  EXPECT_EQ(Ledger(), (LedgerValues{{kInstallRoot + "a.inf", "oem0.inf"}}));
}

INSTANTIATE_TEST_SUITE_P(Cases, WorkerTimingTest,
                         testing::Values(WorkerCase{"EndsBeforeTheFirstPoll", 0},
                                         WorkerCase{"EndsAtTheSecondPoll", 1},
                                         WorkerCase{"RunsForAWhile", 25}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(InstallerTest, ACloseDuringAPublicationDoesNotShortenIt) {
  machine_.Threads.SetPollsBeforeEnd(10);
  AttachArchive({{"a.inf", "[Version]"}});
  // The loop's pass, three pumps of the job and one after the first file, one after the
  // progress step of the INF, one right after the start of the worker: then the polls.
  machine_.Ui.CloseAtDispatch(9);

  EXPECT_EQ(Run(), 0);

  EXPECT_EQ(machine_.Threads.Sleeps().size(), 10u);
  EXPECT_EQ(Ledger().size(), 1u);
  EXPECT_EQ(machine_.Ui.Count(sim::UiEventKind::UserClose), 1);
}

}  // namespace
}  // namespace tolma::installer_test
