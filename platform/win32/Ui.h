#pragma once

// The application's windows and message loop: a hidden owner window that carries the
// application's title to the task bar, the form's window, and the error box.

#include <memory>

#include "platform/Platform.h"
#include "platform/win32/Handles.h"
#include "platform/win32/MainWindow.h"
#include "platform/win32/WindowClass.h"

namespace tolma::win32 {

class Ui final : public platform::Ui {
 public:
  // Registers the window classes and creates the application's window. Throws when Windows
  // refuses either.
  explicit Ui(HINSTANCE instance);
  ~Ui() override;

  void SetApplicationTitle(const std::string& title) override;
  platform::MainWindow& CreateMainWindow(platform::FormEvents& events) override;
  void ShowMainWindow() override;
  void DestroyMainWindow() override;
  bool DispatchOneMessage(bool& quit) override;
  void WaitForMessage() override;
  void ShowErrorBox(const std::string& text) override;

  static LRESULT CALLBACK ApplicationProcedure(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam);

 private:
  LRESULT HandleApplicationMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HINSTANCE instance_;
  std::string title_;
  WindowClass applicationClass_;
  WindowClass formClass_;
  WindowClass panelClass_;
  Window applicationWindow_;
  std::unique_ptr<MainWindow> mainWindow_;
};

}  // namespace tolma::win32
