#include "installer/SystemFont.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/MainFormLayout.h"

namespace tolma {

using platform::MulDiv;

platform::WindowFonts ApplySystemFont(const std::optional<platform::MessageFont>& messageFont,
                                      const std::string& currentFace, int32_t currentHeight,
                                      int32_t screenPixelsPerInch) {
  platform::WindowFonts fonts;
  fonts.FaceName = currentFace;
  int32_t size = 0;
  if (messageFont) {
    // Exact halves go to the even neighbour: -14 gives 10, -10 gives 8.
    size = static_cast<int32_t>(std::nearbyint(static_cast<double>(messageFont->Height) * -0.75));
    const std::string& face = messageFont->FaceName;
    const size_t length = std::min<size_t>(strnlen(face.data(), face.size()), 32);
    if (length > 0) fonts.FaceName = face.substr(0, length);
  } else {
    size = std::abs(-MulDiv(currentHeight, 72, screenPixelsPerInch));
    fonts.FaceName = "Tahoma";
  }
  fonts.WindowHeight = -size;
  fonts.LabelHeight = -MulDiv(size, screenPixelsPerInch, 72);
  return fonts;
}

}  // namespace tolma
