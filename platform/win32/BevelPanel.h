#pragma once

// A plain panel: a child window with a one-pixel raised bevel and no caption.

#include "platform/win32/WindowClass.h"

namespace tolma::win32 {

WindowClass RegisterBevelPanelClass(HINSTANCE instance);

}  // namespace tolma::win32
