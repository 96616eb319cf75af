#include "platform/win32/ScreenMetrics.h"

#include "platform/win32/WinApi.h"

namespace tolma::win32 {
namespace {

constexpr int32_t kDefaultPixelsPerInch = 96;

class ScreenDeviceContext {
 public:
  ScreenDeviceContext() : dc_(GetDC(nullptr)) {}
  ScreenDeviceContext(const ScreenDeviceContext&) = delete;
  ScreenDeviceContext& operator=(const ScreenDeviceContext&) = delete;
  ~ScreenDeviceContext() {
    if (dc_ != nullptr) ReleaseDC(nullptr, dc_);
  }
  [[nodiscard]] HDC Get() const { return dc_; }

 private:
  HDC dc_;
};

}  // namespace

int32_t ScreenPixelsPerInch() {
  const ScreenDeviceContext screen;
  if (screen.Get() == nullptr) return kDefaultPixelsPerInch;
  const int pixelsPerInch = GetDeviceCaps(screen.Get(), LOGPIXELSY);
  return pixelsPerInch > 0 ? pixelsPerInch : kDefaultPixelsPerInch;
}

}  // namespace tolma::win32
