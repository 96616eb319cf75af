#pragma once

// The form's window: a sizeable tool window with a status line above a bevelled panel that
// holds a smooth progress bar, laid out from kMainForm and scaled to the screen.

#include <exception>

#include "platform/MainFormLayout.h"
#include "platform/Platform.h"
#include "platform/win32/Handles.h"

namespace tolma::win32 {

class MainWindow final : public platform::MainWindow {
 public:
  // Creates the window and its controls, not yet shown, owned by the application's window.
  // Throws when Windows refuses a window.
  MainWindow(HINSTANCE instance, const char* formClass, const char* panelClass, HWND owner,
             platform::FormEvents& events);
  ~MainWindow() override;

  void SetStatusText(const std::string& text) override;
  void SetProgressMax(int32_t max) override;
  void SetProgressPosition(int32_t position) override;
  [[nodiscard]] int32_t ProgressMax() const override;
  void SetFonts(const platform::WindowFonts& fonts) override;
  [[nodiscard]] int32_t FontHeight() const override { return windowFontHeight_; }
  [[nodiscard]] int32_t LabelHeight() const override { return labelHeight_; }
  [[nodiscard]] int32_t ProgressHeight() const override { return progress_.Height; }
  void SetClientHeight(int32_t height) override;
  void Close() override;

  [[nodiscard]] HWND Handle() const { return window_.Get(); }
  // Centres the window on the screen at its present size and shows it.
  void Show();
  // Destroys the window; the form's OnDestroy runs.
  void Destroy();
  // From now on the form hears nothing more (it is going away).
  void DetachEvents() { events_ = nullptr; }
  // An exception that a form handler raised inside the window procedure, where it must not
  // unwind through the system's frames, goes on from here.
  void RethrowPendingError();

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  template <typename Handler>
  void Notify(Handler handler);
  void LayOut(int32_t clientWidth, int32_t clientHeight);
  [[nodiscard]] int32_t Scale(int32_t designPixels) const;

  platform::FormEvents* events_;
  std::exception_ptr pendingError_;
  int32_t pixelsPerInch_;
  int32_t labelHeight_;
  platform::ControlPlace progress_;
  int32_t progressRightMargin_;
  int32_t windowFontHeight_;
  // The fonts outlive the controls that use them: the window goes first.
  Font windowFont_;
  Font labelFont_;
  Window window_;
  HWND label_ = nullptr;
  HWND panel_ = nullptr;
  HWND bar_ = nullptr;
};

}  // namespace tolma::win32
