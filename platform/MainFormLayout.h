#pragma once

// The form "TMAINFORM": the one window as data, for every platform that shows it. Sizes are
// pixels at 96 pixels per inch; the window scales them to the screen when it is created.

#include <cstdint>
#include <cstdlib>

namespace tolma::platform {

// Windows' MulDiv: a * b / c rounded to the nearest integer, halves away from zero; -1 for c 0.
constexpr int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  const int64_t product = static_cast<int64_t>(a) * b;
  const int64_t divisor = c < 0 ? -static_cast<int64_t>(c) : c;
  const int64_t magnitude = ((product < 0 ? -product : product) + divisor / 2) / divisor;
  return static_cast<int32_t>((product < 0) != (c < 0) ? -magnitude : magnitude);
}

struct ControlPlace {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
};

struct MainFormLayout {
  const char* Caption;
  int32_t DesignPixelsPerInch;
  int32_t ClientWidth;
  int32_t ClientHeight;
  const char* FontFace;
  int32_t FontHeight;
  // ActionLabel: along the top, full width.
  int32_t ActionLabelHeight;
  // MainProgress inside MainPanel, which fills the rest; anchored left, top and right.
  ControlPlace MainProgress;
  int32_t ProgressMin;
  int32_t ProgressMax;
};

inline constexpr MainFormLayout kMainForm{
    .Caption = "TOLMA Driver Install",
    .DesignPixelsPerInch = 96,
    .ClientWidth = 384,
    .ClientHeight = 96,
    .FontFace = "MS Sans Serif",
    .FontHeight = -11,
    .ActionLabelHeight = 32,
    .MainProgress = {.Left = 8, .Top = 8, .Width = 368, .Height = 16},
    .ProgressMin = 0,
    .ProgressMax = 1,
};

}  // namespace tolma::platform
