#pragma once

// What the screen tells about itself.

#include <cstdint>

namespace tolma::win32 {

// Pixels per inch of the screen as the process sees it (system DPI awareness: the real one).
int32_t ScreenPixelsPerInch();

}  // namespace tolma::win32
