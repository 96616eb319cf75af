#pragma once

// Running the built driverpack as a process, and the temporary folders it works in.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tolma::testing_driverpack {

struct ToolResult {
  int ExitCode = -1;
  std::string Out;
  std::string Err;
};

ToolResult RunDriverpack(const std::vector<std::string>& args);

// A fresh folder, removed with everything in it when the object goes.
class TempFolder {
 public:
  TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder();
  [[nodiscard]] const std::filesystem::path& Path() const { return path_; }
  [[nodiscard]] std::string operator/(const std::string& name) const {
    return (path_ / name).string();
  }

 private:
  std::filesystem::path path_;
};

void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);
// Sets the modification time to seconds and nanoseconds since 1970 (UTC).
void SetModificationTime(const std::filesystem::path& path, int64_t seconds, long nanoseconds);
struct ModificationTime {
  int64_t Seconds;
  long Nanoseconds;
  bool operator==(const ModificationTime&) const = default;
};
ModificationTime GetModificationTime(const std::filesystem::path& path);
// The names in a folder, sorted.
std::vector<std::string> NamesIn(const std::filesystem::path& folder);

}  // namespace tolma::testing_driverpack
