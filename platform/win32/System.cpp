#include "platform/win32/System.h"

#include <shlobj.h>

#include <cstddef>

#include "platform/win32/ScreenMetrics.h"
#include "platform/win32/SetupApi.h"
#include "platform/win32/SystemLibrary.h"

namespace tolma::win32 {
namespace {

// NONCLIENTMETRICSA as it was before iPaddedBorderWidth: it ends with lfMessageFont.
constexpr UINT kMetricsSize = offsetof(NONCLIENTMETRICSA, lfMessageFont) + sizeof(LOGFONTA);
static_assert(kMetricsSize == 340);

}  // namespace

std::string System::CommandLine() {
  const char* line = GetCommandLineA();
  return line != nullptr ? line : "";
}

bool System::SpecialFolderPath(int csidl, char (&buffer)[261]) {
  return SHGetSpecialFolderPathA(nullptr, buffer, csidl, FALSE) != FALSE;
}

std::optional<platform::MessageFont> System::NonClientMessageFont() {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = kMetricsSize;
  if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, kMetricsSize, &metrics, 0)) {
    return std::nullopt;
  }
  const LOGFONTA& font = metrics.lfMessageFont;
  return platform::MessageFont{font.lfHeight, std::string(font.lfFaceName, LF_FACESIZE)};
}

int32_t System::ScreenPixelsPerInch() { return win32::ScreenPixelsPerInch(); }

bool System::IsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

void System::DisableFsRedirection() {
  if (redirectionOff_) return;
  kernel32_ = LoadSystemLibrary("Kernel32.dll");
  disableRedirection_ =
      ExportedFunction<RedirectionFunction>(kernel32_.Get(), "Wow64DisableWow64FsRedirection");
  revertRedirection_ =
      ExportedFunction<RevertFunction>(kernel32_.Get(), "Wow64RevertWow64FsRedirection");
  if (disableRedirection_ == nullptr) return;
  redirectionOff_ = disableRedirection_(&redirectionState_) != FALSE;
}

std::unique_ptr<platform::SetupApi> System::BindSetupApi() {
  // The loader finds system DLLs through redirection: with it off, a 32-bit process on 64-bit
  // Windows would look among the 64-bit DLLs. Switch it on for the load only.
  const bool restore = redirectionOff_ && revertRedirection_ != nullptr &&
                       revertRedirection_(redirectionState_) != FALSE;
  Module setupApi = LoadSystemLibrary("SetupAPI.dll");
  if (restore) redirectionOff_ = disableRedirection_(&redirectionState_) != FALSE;
  return std::make_unique<SetupApi>(std::move(setupApi));
}

}  // namespace tolma::win32
