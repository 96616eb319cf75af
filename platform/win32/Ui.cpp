#include "platform/win32/Ui.h"

#include <commctrl.h>

#include "container/Exception.h"
#include "platform/win32/BevelPanel.h"

namespace tolma::win32 {
namespace {

// Asks the application's window to hand activation on to the window in front of it.
constexpr UINT kActivateFrontWindow = WM_APP + 1;

WindowClass RegisterApplicationClass(HINSTANCE instance) {
  WNDCLASSEXA description =
      ClassDescription(instance, "TolmaApplication", &Ui::ApplicationProcedure);
  description.hIcon = LoadIconA(instance, "MAINICON");
  return WindowClass(description);
}

WindowClass RegisterFormClass(HINSTANCE instance) {
  return WindowClass(ClassDescription(instance, "TMainForm", &MainWindow::Procedure));
}

}  // namespace

Ui::Ui(HINSTANCE instance)
    : instance_(instance),
      applicationClass_(RegisterApplicationClass(instance)),
      formClass_(RegisterFormClass(instance)),
      panelClass_(RegisterBevelPanelClass(instance)) {
  if (!applicationClass_.Registered() || !formClass_.Registered() || !panelClass_.Registered()) {
    throw Exception("Cannot register the window classes");
  }
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  // A visible window without size: it has the task-bar button (with the icon and the
  // application's title) that the tool window cannot have, and owns the other windows.
  applicationWindow_.Reset(
      CreateWindowExA(0, applicationClass_.Name(), "", WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX,
                      GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0,
                      nullptr, nullptr, instance, this));
  if (!applicationWindow_) throw Exception("Cannot create the application window");
}

Ui::~Ui() {
  mainWindow_.reset();
  applicationWindow_.Reset();
}

void Ui::SetApplicationTitle(const std::string& title) {
  title_ = title;
  SetWindowTextA(applicationWindow_.Get(), title_.c_str());
}

platform::MainWindow& Ui::CreateMainWindow(platform::FormEvents& events) {
  mainWindow_.reset();
  mainWindow_ = std::make_unique<MainWindow>(instance_, formClass_.Name(), panelClass_.Name(),
                                             applicationWindow_.Get(), events);
  try {
    events.OnCreate(*mainWindow_);
  } catch (...) {
    mainWindow_->DetachEvents();
    mainWindow_.reset();
    throw;
  }
  return *mainWindow_;
}

void Ui::ShowMainWindow() {
  ShowWindow(applicationWindow_.Get(), SW_SHOWNOACTIVATE);
  if (mainWindow_) mainWindow_->Show();
}

void Ui::DestroyMainWindow() {
  if (mainWindow_) mainWindow_->Destroy();
}

bool Ui::DispatchOneMessage(bool& quit) {
  MSG message{};
  if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return false;
  if (message.message == WM_QUIT) {
    quit = true;
    return true;
  }
  TranslateMessage(&message);
  DispatchMessageA(&message);
  if (mainWindow_) mainWindow_->RethrowPendingError();
  return true;
}

void Ui::WaitForMessage() { WaitMessage(); }

void Ui::ShowErrorBox(const std::string& text) {
  HWND form = mainWindow_ ? mainWindow_->Handle() : nullptr;
  // The form takes no input while the box is up.
  if (form != nullptr) EnableWindow(form, FALSE);
  MessageBoxA(applicationWindow_.Get(), text.c_str(), title_.c_str(), MB_ICONERROR | MB_OK);
  if (form != nullptr) EnableWindow(form, TRUE);
}

LRESULT CALLBACK Ui::ApplicationProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Ui* self = WindowOwner<Ui>(window, message, lParam);
  if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  return self->HandleApplicationMessage(window, message, wParam, lParam);
}

LRESULT Ui::HandleApplicationMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      // "Close window" on the task-bar button closes the form, as its close box does.
      if (mainWindow_) SendMessageA(mainWindow_->Handle(), WM_CLOSE, 0, 0);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) PostMessageA(window, kActivateFrontWindow, 0, 0);
      return DefWindowProcA(window, message, wParam, lParam);
    case kActivateFrontWindow: {
      // The form, or the error box while it is up, takes the activation.
      HWND front = GetLastActivePopup(window);
      if (front != window && IsWindowVisible(front) && IsWindowEnabled(front)) {
        SetActiveWindow(front);
      }
      return 0;
    }
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace tolma::win32
