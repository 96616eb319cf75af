#pragma once

// System facts, WOW64 redirection and the binding of SetupAPI.

#include "platform/Platform.h"
#include "platform/win32/Handles.h"

namespace tolma::win32 {

class System final : public platform::System {
 public:
  std::string CommandLine() override;
  bool SpecialFolderPath(int csidl, char (&buffer)[261]) override;
  std::optional<platform::MessageFont> NonClientMessageFont() override;
  int32_t ScreenPixelsPerInch() override;
  bool IsLeadByte(unsigned char byte) override;
  void DisableFsRedirection() override;
  std::unique_ptr<platform::SetupApi> BindSetupApi() override;

 private:
  using RedirectionFunction = BOOL(WINAPI*)(PVOID*);
  using RevertFunction = BOOL(WINAPI*)(PVOID);

  // The reference on Kernel32.dll taken for the redirection switch lives as long as we do.
  Module kernel32_;
  RevertFunction revertRedirection_ = nullptr;
  RedirectionFunction disableRedirection_ = nullptr;
  PVOID redirectionState_ = nullptr;
  bool redirectionOff_ = false;
};

}  // namespace tolma::win32
