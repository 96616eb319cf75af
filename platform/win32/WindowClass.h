#pragma once

// A registered window class, unregistered when its owner goes.

#include <utility>

#include "platform/win32/WinApi.h"

namespace tolma::win32 {

class WindowClass {
 public:
  // Registers the class; Registered() tells whether that worked.
  explicit WindowClass(const WNDCLASSEXA& description)
      : instance_(description.hInstance),
        name_(description.lpszClassName),
        atom_(RegisterClassExA(&description)) {}
  WindowClass(const WindowClass&) = delete;
  WindowClass& operator=(const WindowClass&) = delete;
  WindowClass(WindowClass&& other) noexcept
      : instance_(other.instance_), name_(other.name_), atom_(std::exchange(other.atom_, 0)) {}
  WindowClass& operator=(WindowClass&&) = delete;
  ~WindowClass() {
    if (atom_ != 0) UnregisterClassA(name_, instance_);
  }

  [[nodiscard]] bool Registered() const { return atom_ != 0; }
  [[nodiscard]] const char* Name() const { return name_; }

 private:
  HINSTANCE instance_;
  const char* name_;
  ATOM atom_;
};

// The fields every class of ours shares: button-face background, arrow cursor.
inline WNDCLASSEXA ClassDescription(HINSTANCE instance, const char* name, WNDPROC procedure) {
  WNDCLASSEXA description{};
  description.cbSize = sizeof description;
  description.lpfnWndProc = procedure;
  description.hInstance = instance;
  description.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  description.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  description.lpszClassName = name;
  return description;
}

}  // namespace tolma::win32

namespace tolma::win32 {

// The object a window procedure serves: passed as the creation parameter, kept in the window's
// user data from WM_NCCREATE on; null before that and for the messages after WM_NCDESTROY.
template <typename Owner>
Owner* WindowOwner(HWND window, UINT message, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  auto* owner = reinterpret_cast<Owner*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  return owner;
}

}  // namespace tolma::win32
