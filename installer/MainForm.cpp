#include <cstring>

#include "installer/CommandLine.h"
#include "installer/MainUnit.h"
#include "installer/SystemFont.h"
#include "platform/MainFormLayout.h"

namespace tolma {
namespace {

constexpr int kCsidlProgramFiles = 38;

}  // namespace

std::string GetSpecialFolder(platform::System& system, int csidl) {
  char buffer[261] = {};
  if (!system.SpecialFolderPath(csidl, buffer)) return {};
  return {buffer, strnlen(buffer, sizeof buffer)};
}

TMainForm::TMainForm(platform::Services& services, TApplication& application,
                     ArchiveMarkerBytes marker)
    : services_(services), application_(application), marker_(marker) {}

LeadByteTest TMainForm::LeadBytes() const {
  platform::System& system = services_.Sys;
  return [&system](unsigned char byte) { return system.IsLeadByte(byte); };
}

void TMainForm::FormCreate(platform::MainWindow& window) {
  window_ = &window;
  const bool uninstallMode = IsUninstallRequested(services_.Sys.CommandLine());

  window.SetFonts(ApplySystemFont(services_.Sys.NonClientMessageFont(),
                                  platform::kMainForm.FontFace, window.FontHeight(),
                                  services_.Sys.ScreenPixelsPerInch()));
  window.SetClientHeight(window.LabelHeight() + window.ProgressHeight() + 16);
  services_.Sys.DisableFsRedirection();
  InstallRoot =
      IncludeTrailingBackslash(GetSpecialFolder(services_.Sys, kCsidlProgramFiles), LeadBytes()) +
      "TOLMA\\Common Drivers\\";
  SetupApiLib = services_.Sys.BindSetupApi();

  if (uninstallMode) {
    application_.SetIdleHook(
        [this](TApplication& sender, bool& done) { RunUninstall(sender, done); });
  } else {
    ArchiveOffset = DecodeArchiveMarker(marker_);
    application_.SetIdleHook(
        [this](TApplication& sender, bool& done) { RunInstall(sender, done); });
  }
}

void TMainForm::FormDestroy() { SetupApiLib.reset(); }

void TMainForm::PumpFor(int32_t ms) {
  platform::Threads& threads = services_.Thread;
  const uint32_t deadline = threads.TickCount() + static_cast<uint32_t>(ms);
  for (;;) {
    application_.ProcessMessages();
    if (ClosingFlag) return;
    if (static_cast<int32_t>(threads.TickCount() - deadline) > 0) return;
  }
}

void TMainForm::Close() { window_->Close(); }

int DriverInstall(platform::Services& services, const ArchiveMarkerBytes& marker) {
  TApplication application(services.Gui);
  try {
    application.SetTitle(kApplicationTitle);
    TMainForm form(services, application, marker);
    services.Gui.CreateMainWindow(form);
    // The window goes with the loop, however the loop ends.
    class WindowOwner {
     public:
      explicit WindowOwner(platform::Ui& ui) : ui_(ui) {}
      WindowOwner(const WindowOwner&) = delete;
      WindowOwner& operator=(const WindowOwner&) = delete;
      ~WindowOwner() { ui_.DestroyMainWindow(); }

     private:
      platform::Ui& ui_;
    } owner(services.Gui);
    application.Run();
  } catch (const std::exception& error) {
    application.ShowException(error);
  }
  return static_cast<int>(application.GetExitCode());
}

}  // namespace tolma
