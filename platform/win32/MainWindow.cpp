#include "platform/win32/MainWindow.h"

#include <commctrl.h>

#include <algorithm>

#include "container/Exception.h"
#include "platform/win32/ScreenMetrics.h"
#include "platform/win32/WindowClass.h"

namespace tolma::win32 {
namespace {

// A sizeable tool window: small caption with a close box only.
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
constexpr DWORD kFormExStyle = WS_EX_TOOLWINDOW;
// One line, centred both ways; "&" is no accelerator prefix in a status text.
constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX;
constexpr DWORD kPanelStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
constexpr DWORD kBarStyle = WS_CHILD | WS_VISIBLE | PBS_SMOOTH;

Font MakeFont(const std::string& face, int32_t height) {
  LOGFONTA description{};
  description.lfHeight = height;
  description.lfWeight = FW_NORMAL;
  description.lfCharSet = DEFAULT_CHARSET;
  description.lfOutPrecision = OUT_DEFAULT_PRECIS;
  description.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  description.lfQuality = DEFAULT_QUALITY;
  description.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  const size_t length = std::min(face.find('\0'), face.size());
  std::copy_n(face.data(), std::min<size_t>(length, LF_FACESIZE - 1), description.lfFaceName);
  return Font(CreateFontIndirectA(&description));
}

HWND MakeChild(const char* windowClass, DWORD style, const RECT& place, HWND parent,
               HINSTANCE instance) {
  HWND child =
      CreateWindowExA(0, windowClass, "", style, place.left, place.top, place.right - place.left,
                      place.bottom - place.top, parent, nullptr, instance, nullptr);
  if (child == nullptr) throw Exception(std::string("Cannot create the control ") + windowClass);
  return child;
}

RECT OuterSize(int32_t clientWidth, int32_t clientHeight) {
  RECT bounds{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&bounds, kFormStyle, FALSE, kFormExStyle);
  return bounds;
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, const char* formClass, const char* panelClass,
                       HWND owner, platform::FormEvents& events)
    : events_(&events),
      pixelsPerInch_(ScreenPixelsPerInch()),
      labelHeight_(Scale(platform::kMainForm.ActionLabelHeight)),
      progress_{Scale(platform::kMainForm.MainProgress.Left),
                Scale(platform::kMainForm.MainProgress.Top),
                Scale(platform::kMainForm.MainProgress.Width),
                Scale(platform::kMainForm.MainProgress.Height)},
      progressRightMargin_(Scale(platform::kMainForm.ClientWidth) - progress_.Left -
                           progress_.Width),
      windowFontHeight_(Scale(platform::kMainForm.FontHeight)),
      windowFont_(MakeFont(platform::kMainForm.FontFace, windowFontHeight_)),
      labelFont_(MakeFont(platform::kMainForm.FontFace, windowFontHeight_)) {
  const int32_t clientWidth = Scale(platform::kMainForm.ClientWidth);
  const int32_t clientHeight = Scale(platform::kMainForm.ClientHeight);
  const RECT outer = OuterSize(clientWidth, clientHeight);
  window_.Reset(CreateWindowExA(kFormExStyle, formClass, platform::kMainForm.Caption, kFormStyle,
                                CW_USEDEFAULT, CW_USEDEFAULT, outer.right - outer.left,
                                outer.bottom - outer.top, owner, nullptr, instance, this));
  if (!window_) throw Exception("Cannot create the main window");

  try {
    label_ =
        MakeChild("STATIC", kLabelStyle, RECT{0, 0, clientWidth, labelHeight_}, Handle(), instance);
    panel_ = MakeChild(panelClass, kPanelStyle, RECT{0, labelHeight_, clientWidth, clientHeight},
                       Handle(), instance);
    bar_ = MakeChild(PROGRESS_CLASSA, kBarStyle,
                     RECT{progress_.Left, progress_.Top, progress_.Left + progress_.Width,
                          progress_.Top + progress_.Height},
                     panel_, instance);
  } catch (...) {
    // The form was never told of its creation: it hears nothing of the window's end either.
    DetachEvents();
    throw;
  }
  SendMessageA(bar_, PBM_SETRANGE32, static_cast<WPARAM>(platform::kMainForm.ProgressMin),
               static_cast<LPARAM>(platform::kMainForm.ProgressMax));
  SendMessageA(bar_, PBM_SETPOS, 0, 0);
  SendMessageA(label_, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont_.Get()), FALSE);

  RECT client{};
  GetClientRect(Handle(), &client);
  LayOut(client.right, client.bottom);
}

MainWindow::~MainWindow() {
  DetachEvents();
  window_.Reset();
}

int32_t MainWindow::Scale(int32_t designPixels) const {
  return MulDiv(designPixels, pixelsPerInch_, platform::kMainForm.DesignPixelsPerInch);
}

void MainWindow::SetStatusText(const std::string& text) { SetWindowTextA(label_, text.c_str()); }

void MainWindow::SetProgressMax(int32_t max) {
  SendMessageA(bar_, PBM_SETRANGE32, 0, static_cast<LPARAM>(max));
}

void MainWindow::SetProgressPosition(int32_t position) {
  SendMessageA(bar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

int32_t MainWindow::ProgressMax() const {
  // FALSE asks for the high limit.
  return static_cast<int32_t>(SendMessageA(bar_, PBM_GETRANGE, FALSE, 0));
}

void MainWindow::SetFonts(const platform::WindowFonts& fonts) {
  Font windowFont = MakeFont(fonts.FaceName, fonts.WindowHeight);
  Font labelFont = MakeFont(fonts.FaceName, fonts.LabelHeight);
  if (!windowFont || !labelFont) return;
  SendMessageA(label_, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont.Get()), TRUE);
  // The old fonts go only once no control uses them any more.
  windowFont_ = std::move(windowFont);
  labelFont_ = std::move(labelFont);
  windowFontHeight_ = fonts.WindowHeight;
}

void MainWindow::SetClientHeight(int32_t height) {
  RECT client{};
  GetClientRect(Handle(), &client);
  const RECT outer = OuterSize(client.right, height);
  SetWindowPos(Handle(), nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::Close() {
  SendMessageA(Handle(), WM_CLOSE, 0, 0);
  RethrowPendingError();
}

void MainWindow::Show() {
  RECT outer{};
  GetWindowRect(Handle(), &outer);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  SetWindowPos(Handle(), nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(Handle(), SW_SHOWNORMAL);
  UpdateWindow(Handle());
}

void MainWindow::Destroy() {
  window_.Reset();
  label_ = panel_ = bar_ = nullptr;
  RethrowPendingError();
}

void MainWindow::RethrowPendingError() {
  if (pendingError_) std::rethrow_exception(std::exchange(pendingError_, nullptr));
}

void MainWindow::LayOut(int32_t clientWidth, int32_t clientHeight) {
  if (label_ == nullptr || panel_ == nullptr || bar_ == nullptr) return;
  // The label keeps its height along the top; the panel takes the rest; the bar keeps its
  // margins and its height.
  MoveWindow(label_, 0, 0, clientWidth, labelHeight_, TRUE);
  MoveWindow(panel_, 0, labelHeight_, clientWidth, std::max(0, clientHeight - labelHeight_), TRUE);
  MoveWindow(bar_, progress_.Left, progress_.Top,
             std::max(0, clientWidth - progress_.Left - progressRightMargin_), progress_.Height,
             TRUE);
}

template <typename Handler>
void MainWindow::Notify(Handler handler) {
  if (events_ == nullptr) return;
  try {
    handler(*events_);
  } catch (...) {
    if (!pendingError_) pendingError_ = std::current_exception();
  }
}

LRESULT CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MainWindow* self = WindowOwner<MainWindow>(window, message, lParam);
  if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  return self->HandleMessage(window, message, wParam, lParam);
}

LRESULT MainWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      LayOut(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_CTLCOLORSTATIC: {
      // The status line on the form's button face, in the window-text colour.
      const auto dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_CLOSE:
      // The window stays until the message loop has ended; the application is told to end.
      Notify([](platform::FormEvents& events) { events.OnClose(); });
      PostQuitMessage(0);
      return 0;
    case WM_DESTROY:
      Notify([](platform::FormEvents& events) { events.OnDestroy(); });
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace tolma::win32
