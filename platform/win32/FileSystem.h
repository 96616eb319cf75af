#pragma once

// Files and folders over the ANSI file functions.

#include "platform/Platform.h"

namespace tolma::win32 {

class FileSystem final : public platform::FileSystem {
 public:
  std::string OwnModulePath() override;
  std::unique_ptr<Stream> OpenForReading(const std::string& path) override;
  std::unique_ptr<platform::WritableFile> CreateOrReplace(const std::string& path) override;
  bool MakeFolder(const std::string& path) override;
  uint32_t Attributes(const std::string& path) override;
  std::optional<std::vector<platform::FolderEntry>> ListFolder(const std::string& pattern) override;
  bool RemoveFile(const std::string& path) override;
  bool RemoveFolder(const std::string& path) override;
};

}  // namespace tolma::win32
