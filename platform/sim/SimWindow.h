#pragma once

// The main window: a status line above a panel with a progress bar, its sizes scaled from
// 96 pixels per inch to the screen's as Windows scales them.

#include <cstdint>
#include <string>

#include "platform/Platform.h"

namespace tolma::sim {

class SimUi;

class SimWindow final : public platform::MainWindow {
 public:
  SimWindow(SimUi& ui, platform::FormEvents& events, int32_t pixelsPerInch);

  void SetStatusText(const std::string& text) override;
  void SetProgressMax(int32_t max) override;
  void SetProgressPosition(int32_t position) override;
  [[nodiscard]] int32_t ProgressMax() const override { return max_; }
  void SetFonts(const platform::WindowFonts& fonts) override;
  [[nodiscard]] int32_t FontHeight() const override;
  [[nodiscard]] int32_t LabelHeight() const override;
  [[nodiscard]] int32_t ProgressHeight() const override;
  void SetClientHeight(int32_t height) override;
  void Close() override;

  [[nodiscard]] int32_t ProgressPosition() const { return position_; }
  [[nodiscard]] const platform::WindowFonts& Fonts() const { return fonts_; }
  [[nodiscard]] int32_t ClientHeight() const { return clientHeight_; }
  [[nodiscard]] platform::FormEvents& Events() const { return events_; }

 private:
  SimUi& ui_;
  platform::FormEvents& events_;
  int32_t pixelsPerInch_;
  int32_t max_ = 1;
  int32_t position_ = 0;
  platform::WindowFonts fonts_;
  int32_t clientHeight_;
};

}  // namespace tolma::sim
