// PumpFor: a busy pump over the queue until the first tick past its deadline, or one pass once
// the window is closing.

#include <gtest/gtest.h>

#include <ostream>

#include "tests/unit/installer/InstallerFixture.h"

namespace tolma::installer_test {
namespace {

struct PumpCase {
  const char* Name;
  uint32_t Start;
  uint32_t Step;
  uint32_t LastReading;  // the first reading later than start + 1000
  int Passes;
  friend void PrintTo(const PumpCase& c, std::ostream* os) { *os << c.Name; }
};

class PumpForTest : public InstallerTest, public testing::WithParamInterface<PumpCase> {
 protected:
  void SetUp() override {
    form_ = std::make_unique<TMainForm>(machine_.Services(), application_, kNoArchiveMarker);
    machine_.Ui.CreateMainWindow(*form_);
  }

  TApplication application_{machine_.Ui};
  std::unique_ptr<TMainForm> form_;
};

TEST_P(PumpForTest, ReturnsAtTheFirstTickPastTheDeadline) {
  const PumpCase& c = GetParam();
  machine_.Threads.SetTick(c.Start);
  machine_.Threads.SetTickStep(c.Step);
  const int dispatchesBefore = machine_.Ui.DispatchCalls();

  form_->PumpFor(1000);

  EXPECT_EQ(machine_.Threads.Tick() - c.Step, c.LastReading);
  EXPECT_EQ(machine_.Ui.DispatchCalls() - dispatchesBefore, c.Passes);
  EXPECT_TRUE(machine_.Threads.Sleeps().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PumpForTest,
    testing::Values(PumpCase{"EveryMillisecond", 0x00100000, 1, 0x00100000 + 1001, 1001},
                    PumpCase{"TheDeadlineItselfIsNotPast", 0x00100000, 10, 0x00100000 + 1010, 101},
                    PumpCase{"CoarseTicks", 0x00100000, 16, 0x00100000 + 1008, 63},
                    PumpCase{"WrapDuringThePause", 0xFFFFFF00, 1, 0xFFFFFF00 + 1001, 1001},
                    PumpCase{"DeadlineAtZero", 0xFFFFFC18, 1, 1, 1001},
                    PumpCase{"WrapBeforeTheDeadline", 0xFFFFFFFF, 7, 0xFFFFFFFF + 1001, 143}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(PumpForTest, OnePassWhenTheWindowIsAlreadyClosing) {
  form_->FormClose();
  const int dispatchesBefore = machine_.Ui.DispatchCalls();

  form_->PumpFor(1000);

  EXPECT_EQ(machine_.Ui.DispatchCalls() - dispatchesBefore, 1);
  EXPECT_EQ(machine_.Threads.TickReadings(), 1);
}

TEST_F(PumpForTest, AClickOnTheCloseBoxEndsThePauseAtThatPass) {
  machine_.Ui.CloseAtDispatch(40);

  form_->PumpFor(1000);

  EXPECT_TRUE(form_->ClosingFlag);
  EXPECT_TRUE(application_.Terminated());
  // The pass that took the click also took the quit message and found the queue empty.
  EXPECT_EQ(machine_.Ui.DispatchCalls(), 42);
  EXPECT_EQ(machine_.Threads.TickReadings(), 40);
}

}  // namespace
}  // namespace tolma::installer_test
