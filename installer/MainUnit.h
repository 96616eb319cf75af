#pragma once

// The installer's application object, its one window and the two jobs.

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "installer/EmbeddedArchive.h"
#include "installer/PathParts.h"
#include "platform/Platform.h"

namespace tolma {

// What the process exit code says about the job.
enum class ExitCode : int {
  Success = 0,              // the job ended with its success text
  ArchiveFailed = 1,        // "Failed to load archive."
  ErrorReported = 2,        // the error report was shown
  UninstallIncomplete = 3,  // some recorded drivers could not be withdrawn
};

inline constexpr const char* kApplicationTitle = "VELDIXDriverInstall";

// The text the error report shows for an exception message: a full stop is appended when the
// last character comes after "." in the code page.
std::string ErrorReportText(const std::string& message);

// The path of a shell special folder, or empty when the shell cannot give it.
std::string GetSpecialFolder(platform::System& system, int csidl);

// The application object: its title, its idle hook, message processing and the error report.
class TApplication {
 public:
  using IdleHook = std::function<void(TApplication& sender, bool& done)>;

  explicit TApplication(platform::Ui& ui) : ui_(ui) {}

  void SetTitle(const std::string& title);
  void SetIdleHook(IdleHook hook) { idleHook_ = std::move(hook); }
  void ClearIdleHook() { idleHook_ = nullptr; }
  [[nodiscard]] bool HasIdleHook() const { return static_cast<bool>(idleHook_); }

  // Dispatches every message waiting in the queue, then returns; a quit message marks the
  // application as terminating and is not dispatched.
  void ProcessMessages();
  [[nodiscard]] bool Terminated() const { return terminated_; }

  // Shows the main window and dispatches messages until the application terminates, calling
  // the idle hook whenever the queue is empty. An exception that escapes the hook is shown by
  // the error report.
  void Run();
  void ShowException(const std::exception& error);

  void SetExitCode(ExitCode code) { exitCode_ = code; }
  [[nodiscard]] ExitCode GetExitCode() const { return exitCode_; }

 private:
  platform::Ui& ui_;
  IdleHook idleHook_;
  bool terminated_ = false;
  ExitCode exitCode_ = ExitCode::Success;
};

class TMainForm final : public platform::FormEvents {
 public:
  TMainForm(platform::Services& services, TApplication& application, ArchiveMarkerBytes marker);

  void OnCreate(platform::MainWindow& window) override { FormCreate(window); }
  void OnClose() override { FormClose(); }
  void OnDestroy() override { FormDestroy(); }

  void FormCreate(platform::MainWindow& window);
  void FormClose() { ClosingFlag = true; }
  void FormDestroy();

  // The jobs, with the signature of the idle hook.
  void RunInstall(TApplication& sender, bool& done);
  void RunUninstall(TApplication& sender, bool& done);

  // Processes messages for ms milliseconds, or one pass once a close has been requested.
  void PumpFor(int32_t ms);
  void Close();

  // Publishes one extracted INF and records it in the ledger.
  void RegisterInf(const std::string& path);

  [[nodiscard]] platform::MainWindow& Window() const { return *window_; }
  [[nodiscard]] LeadByteTest LeadBytes() const;

  std::string InstallRoot;
  int32_t ArchiveOffset = 0;
  bool ClosingFlag = false;
  std::unique_ptr<platform::SetupApi> SetupApiLib;

 private:
  platform::Services& services_;
  TApplication& application_;
  ArchiveMarkerBytes marker_;
  platform::MainWindow* window_ = nullptr;
};

// The program: application object, main window, message loop. Returns the exit code.
int DriverInstall(platform::Services& services, const ArchiveMarkerBytes& marker);

}  // namespace tolma
