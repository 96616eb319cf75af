#include "installer/MainUnit.h"

namespace tolma {

std::string ErrorReportText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + '.';
  return message;
}

void TApplication::SetTitle(const std::string& title) { ui_.SetApplicationTitle(title); }

void TApplication::ProcessMessages() {
  bool quit = false;
  while (ui_.DispatchOneMessage(quit)) {
    if (quit) terminated_ = true;
    quit = false;
  }
}

void TApplication::Run() {
  ui_.ShowMainWindow();
  while (!terminated_) {
    bool quit = false;
    if (ui_.DispatchOneMessage(quit)) {
      if (quit) terminated_ = true;
      continue;
    }
    bool done = true;
    if (idleHook_) {
      // The job clears the hook as it starts: call a copy, so that the running one lives on.
      const IdleHook hook = idleHook_;
      try {
        hook(*this, done);
      } catch (const std::exception& error) {
        ShowException(error);
      }
    }
    if (terminated_) break;
    if (done) ui_.WaitForMessage();
  }
}

void TApplication::ShowException(const std::exception& error) {
  exitCode_ = ExitCode::ErrorReported;
  ui_.ShowErrorBox(ErrorReportText(error.what()));
}

}  // namespace tolma
