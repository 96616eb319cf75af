#include "platform/MainFormLayout.h"
#include "platform/sim/SimMachine.h"

#include <gtest/gtest.h>

#include <ostream>

namespace tolma::sim {
namespace {

class RecordingForm final : public platform::FormEvents {
 public:
  void OnCreate(platform::MainWindow& window) override {
    created = true;
    heightsAtCreate = {window.LabelHeight(), window.ProgressHeight(), window.FontHeight()};
  }
  void OnClose() override { ++closes; }
  void OnDestroy() override { destroyed = true; }

  bool created = false;
  std::vector<int32_t> heightsAtCreate;
  int closes = 0;
  bool destroyed = false;
};

struct DpiCase {
  int32_t PixelsPerInch;
  std::vector<int32_t> Heights;  // label, bar, font
  friend void PrintTo(const DpiCase& c, std::ostream* os) { *os << c.PixelsPerInch << " dpi"; }
};

class SimUiDpiTest : public testing::TestWithParam<DpiCase> {};

TEST_P(SimUiDpiTest, SizesScaleFromTheDesignResolution) {
  SimMachine machine;
  machine.System.SetPixelsPerInch(GetParam().PixelsPerInch);
  RecordingForm form;
  machine.Ui.CreateMainWindow(form);
  EXPECT_TRUE(form.created);
  EXPECT_EQ(form.heightsAtCreate, GetParam().Heights);
}

INSTANTIATE_TEST_SUITE_P(Cases, SimUiDpiTest,
                         testing::Values(DpiCase{96, {32, 16, -11}}, DpiCase{120, {40, 20, -14}},
                                         DpiCase{144, {48, 24, -17}}, DpiCase{72, {24, 12, -8}}));

TEST(SimUiTest, MulDivRoundsHalvesAwayFromZero) {
  EXPECT_EQ(platform::MulDiv(-11, 72, 96), -8);  // -8.25
  EXPECT_EQ(platform::MulDiv(9, 96, 72), 12);
  EXPECT_EQ(platform::MulDiv(-11, 120, 96), -14);  // -13.75
  EXPECT_EQ(platform::MulDiv(3, 1, 2), 2);
  EXPECT_EQ(platform::MulDiv(-3, 1, 2), -2);
  EXPECT_EQ(platform::MulDiv(1, 1, 0), -1);
}

TEST(SimUiTest, ProgressBarKeepsItsPositionInRange) {
  SimMachine machine;
  RecordingForm form;
  auto& window = machine.Ui.CreateMainWindow(form);
  window.SetProgressMax(259);
  window.SetProgressPosition(37);
  window.SetProgressMax(7);
  EXPECT_EQ(machine.Ui.Window()->ProgressPosition(), 7);
  window.SetProgressPosition(9);
  EXPECT_EQ(machine.Ui.Progress(),
            (std::vector<UiEvent>{ProgressMaxEvent(259), ProgressPositionEvent(37),
                                  ProgressMaxEvent(7), ProgressPositionEvent(7)}));
}

TEST(SimUiTest, ClickOnTheCloseBoxArrivesAtTheChosenDispatch) {
  SimMachine machine;
  RecordingForm form;
  machine.Ui.CreateMainWindow(form);
  machine.Ui.CloseAtDispatch(3);
  bool quit = false;
  EXPECT_FALSE(machine.Ui.DispatchOneMessage(quit));
  EXPECT_FALSE(machine.Ui.DispatchOneMessage(quit));
  EXPECT_EQ(form.closes, 0);
  EXPECT_TRUE(machine.Ui.DispatchOneMessage(quit));
  EXPECT_EQ(form.closes, 1);
  EXPECT_FALSE(quit);
  EXPECT_TRUE(machine.Ui.DispatchOneMessage(quit));
  EXPECT_TRUE(quit);
  EXPECT_EQ(machine.Ui.Count(UiEventKind::UserClose), 1);
}

TEST(SimUiTest, WaitingWithNothingToComeMakesTheUserCloseTheWindow) {
  SimMachine machine;
  RecordingForm form;
  machine.Ui.CreateMainWindow(form);
  machine.Ui.WaitForMessage();
  EXPECT_EQ(machine.Ui.WaitsForUser(), 1);
  bool quit = false;
  while (!quit && machine.Ui.DispatchOneMessage(quit)) {
  }
  EXPECT_TRUE(quit);
  EXPECT_EQ(form.closes, 1);
  machine.Ui.DestroyMainWindow();
  EXPECT_TRUE(form.destroyed);
  EXPECT_TRUE(machine.Ui.WindowDestroyed());
}

TEST(SimUiTest, WaitingForAPlannedClickDeliversItNext) {
  SimMachine machine;
  RecordingForm form;
  machine.Ui.CreateMainWindow(form);
  machine.Ui.CloseAtDispatch(50);
  machine.Ui.WaitForMessage();
  bool quit = false;
  EXPECT_TRUE(machine.Ui.DispatchOneMessage(quit));
  EXPECT_EQ(form.closes, 1);
  EXPECT_EQ(machine.Ui.WaitsForUser(), 0);
}

}  // namespace
}  // namespace tolma::sim
