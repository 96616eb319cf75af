#pragma once

// The facts of the simulated system: command line, shell folders, message font, screen
// resolution, the ANSI code page's lead bytes, the WOW64 switch and the SetupAPI binding.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Platform.h"
#include "platform/sim/SimDriverStore.h"

namespace tolma::sim {

inline constexpr int kCsidlProgramFiles = 38;

class SimSystem final : public platform::System {
 public:
  explicit SimSystem(SimDriverStore& store);

  std::string CommandLine() override { return commandLine_; }
  bool SpecialFolderPath(int csidl, char (&buffer)[261]) override;
  std::optional<platform::MessageFont> NonClientMessageFont() override { return messageFont_; }
  int32_t ScreenPixelsPerInch() override { return pixelsPerInch_; }
  bool IsLeadByte(unsigned char byte) override;
  void DisableFsRedirection() override { ++redirectionSwitchOffs_; }
  std::unique_ptr<platform::SetupApi> BindSetupApi() override;

  // A message font as SystemParametersInfoA stores it: the face padded with NUL to 32 bytes.
  static platform::MessageFont MessageFontOf(int32_t height, const std::string& face);

  void SetCommandLine(std::string commandLine) { commandLine_ = std::move(commandLine); }
  // The folder the shell reports for csidl; none makes the call fail. Paths of 261 bytes or
  // more fill the buffer without a NUL.
  void SetSpecialFolder(int csidl, std::optional<std::string> path);
  // None makes the metrics call fail.
  void SetMessageFont(std::optional<platform::MessageFont> font) { messageFont_ = std::move(font); }
  void SetPixelsPerInch(int32_t pixelsPerInch) { pixelsPerInch_ = pixelsPerInch; }
  // Lead-byte ranges of a double-byte code page, such as {0x81, 0x9F} and {0xE0, 0xFC} of 932.
  void SetLeadByteRanges(std::vector<std::pair<unsigned char, unsigned char>> ranges) {
    leadByteRanges_ = std::move(ranges);
  }

  [[nodiscard]] int RedirectionSwitchOffs() const { return redirectionSwitchOffs_; }
  [[nodiscard]] const std::vector<int>& SpecialFolderRequests() const { return folderRequests_; }

 private:
  SimDriverStore& store_;
  std::string commandLine_ = "\"C:\\Users\\Public\\Downloads\\DriverInstall.exe\"";
  std::map<int, std::string> specialFolders_{{kCsidlProgramFiles, "C:\\Program Files"}};
  std::optional<platform::MessageFont> messageFont_ = MessageFontOf(-12, "Segoe UI");
  int32_t pixelsPerInch_ = 96;
  std::vector<std::pair<unsigned char, unsigned char>> leadByteRanges_;
  int redirectionSwitchOffs_ = 0;
  std::vector<int> folderRequests_;
};

}  // namespace tolma::sim
