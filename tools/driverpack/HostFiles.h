#pragma once

// The few things driverpack asks of the file system it runs on. HostFilesPosix.cpp and
// HostFilesWin32.cpp implement them; everything else in the tool is portable. Failures raise
// ToolError with the path and the system's reason.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

namespace tolma::driverpack::host {

// What stands at a path, links not followed.
enum class PathKind { Missing, File, Folder, Link, Other };

struct FolderItem {
  std::string Name;
  PathKind Kind = PathKind::Other;
  uint64_t Size = 0;  // files only
  // None when the file system's time has no FILETIME (before 1601).
  std::optional<platform::FileTime> LastWrite;
};

// The entries of a folder, "." and ".." left out, in no particular order.
std::vector<FolderItem> ListFolder(const std::string& folder);
PathKind KindOf(const std::string& path);
// Whether path leads to a folder, links followed.
bool IsFolder(const std::string& path);
std::string JoinPath(const std::string& folder, const std::string& name);
// The folder part of a path; "." when it has none.
std::string FolderOf(const std::string& path);

// The archive's name (Windows-1252) for the name of a file here, or nullopt when it has none.
std::optional<std::string> ArchiveName(const std::string& hostName);
// The name here for an archive name; also how names are shown.
std::string HostName(std::string_view archiveName);

// A whole file; refused when it holds more than maxSize bytes.
std::string ReadFile(const std::string& path, uint64_t maxSize);

void MakeFolder(const std::string& path);
// Removes a file or a link, never what a link leads to.
void RemoveEntry(const std::string& path);
// Creates a new file (never through a link, never replacing anything) with the content and
// last-write time; on failure nothing of it is left.
void WriteNewFile(const std::string& path, std::string_view content, platform::FileTime time);

// A file written under a temporary name in the folder of its final path, put in place by
// Commit. Until then nothing is at the final path; destroying it uncommitted removes the
// temporary file.
class PendingOutput {
 public:
  explicit PendingOutput(const std::string& finalPath);
  PendingOutput(const PendingOutput&) = delete;
  PendingOutput& operator=(const PendingOutput&) = delete;
  ~PendingOutput();

  void Write(std::string_view bytes);
  // Flushes the file to disk and renames it to the final path, replacing a file there only
  // when allowed to.
  void Commit(bool replace);

 private:
  struct Handle;
  std::unique_ptr<Handle> handle_;
  std::string finalPath_;
};

}  // namespace tolma::driverpack::host
