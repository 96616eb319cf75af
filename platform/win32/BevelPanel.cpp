#include "platform/win32/BevelPanel.h"

namespace tolma::win32 {
namespace {

LRESULT CALLBACK PanelProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint{};
    if (HDC dc = BeginPaint(window, &paint)) {
      RECT bounds{};
      GetClientRect(window, &bounds);
      DrawEdge(dc, &bounds, BDR_RAISEDINNER, BF_RECT);
      EndPaint(window, &paint);
    }
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

WindowClass RegisterBevelPanelClass(HINSTANCE instance) {
  WNDCLASSEXA description = ClassDescription(instance, "TolmaBevelPanel", &PanelProcedure);
  // The bevel follows the edges: repaint all of it on every resize.
  description.style = CS_HREDRAW | CS_VREDRAW;
  return WindowClass(description);
}

}  // namespace tolma::win32
