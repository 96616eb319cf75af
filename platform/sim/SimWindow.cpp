#include "platform/sim/SimWindow.h"

#include <algorithm>
#include <cstdlib>

#include "platform/MainFormLayout.h"
#include "platform/sim/SimUi.h"

namespace tolma::sim {
namespace {

using platform::kMainForm;
using platform::MulDiv;

constexpr int32_t kDesignPixelsPerInch = kMainForm.DesignPixelsPerInch;
constexpr int32_t kDesignFontHeight = kMainForm.FontHeight;
constexpr int32_t kDesignLabelHeight = kMainForm.ActionLabelHeight;
constexpr int32_t kDesignProgressHeight = kMainForm.MainProgress.Height;
constexpr int32_t kDesignClientHeight = kMainForm.ClientHeight;

}  // namespace

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
