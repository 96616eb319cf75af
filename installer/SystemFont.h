#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Platform.h"

namespace tolma {

// The window's font after start-up: the system's message font in points where the metrics can
// be read, else "Tahoma" at the current font's size. The window's own font is set at 72 pixels
// per inch (its height is minus the point size); the status line and the panel convert the same
// point size at the screen's resolution.
platform::WindowFonts ApplySystemFont(const std::optional<platform::MessageFont>& messageFont,
                                      const std::string& currentFace, int32_t currentHeight,
                                      int32_t screenPixelsPerInch);

}  // namespace tolma
