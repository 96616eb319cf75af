#include "platform/sim/SimWindow.h"

#include <algorithm>
#include <cstdlib>

#include "platform/sim/SimUi.h"

namespace tolma::sim {
namespace {

// The design: the font "MS Sans Serif" -11, a 32-pixel status line, a 16-pixel bar and a
// client area 96 pixels high, at 96 pixels per inch.
constexpr int32_t kDesignPixelsPerInch = 96;
constexpr int32_t kDesignFontHeight = -11;
constexpr int32_t kDesignLabelHeight = 32;
constexpr int32_t kDesignProgressHeight = 16;
constexpr int32_t kDesignClientHeight = 96;

}  // namespace

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  const int64_t product = static_cast<int64_t>(a) * b;
  const int64_t divisor = std::llabs(c);
  const int64_t magnitude = (std::llabs(product) + divisor / 2) / divisor;
  return static_cast<int32_t>((product < 0) != (c < 0) ? -magnitude : magnitude);
}

SimWindow::SimWindow(SimUi& ui, platform::FormEvents& events, int32_t pixelsPerInch)
    : ui_(ui),
      events_(events),
      pixelsPerInch_(pixelsPerInch),
      fonts_{"MS Sans Serif", FontHeight(), FontHeight()},
      clientHeight_(MulDiv(kDesignClientHeight, pixelsPerInch, kDesignPixelsPerInch)) {}

void SimWindow::SetStatusText(const std::string& text) {
  ui_.Record({UiEventKind::Status, text, 0});
}

// A progress bar keeps its position inside its range.
void SimWindow::SetProgressMax(int32_t max) {
  max_ = max;
  position_ = std::clamp(position_, 0, std::max(max_, 0));
  ui_.Record(ProgressMaxEvent(max));
}

void SimWindow::SetProgressPosition(int32_t position) {
  position_ = std::clamp(position, 0, std::max(max_, 0));
  ui_.Record(ProgressPositionEvent(position_));
}

void SimWindow::SetFonts(const platform::WindowFonts& fonts) {
  fonts_ = fonts;
  ui_.Record({UiEventKind::Fonts, fonts.FaceName, fonts.WindowHeight});
}

int32_t SimWindow::FontHeight() const {
  return MulDiv(kDesignFontHeight, pixelsPerInch_, kDesignPixelsPerInch);
}

int32_t SimWindow::LabelHeight() const {
  return MulDiv(kDesignLabelHeight, pixelsPerInch_, kDesignPixelsPerInch);
}

int32_t SimWindow::ProgressHeight() const {
  return MulDiv(kDesignProgressHeight, pixelsPerInch_, kDesignPixelsPerInch);
}

void SimWindow::SetClientHeight(int32_t height) {
  clientHeight_ = height;
  ui_.Record({UiEventKind::ClientHeight, {}, height});
}

void SimWindow::Close() {
  ui_.Record({UiEventKind::Close, {}, 0});
  events_.OnClose();
  ui_.PostQuit();
}

}  // namespace tolma::sim
