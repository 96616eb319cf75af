// The host file system on Windows, through the ANSI entry points: names are taken in the
// system's ANSI code page, as the installer writes them.

#include <windows.h>

#include <algorithm>
#include <string>

#include "tools/driverpack/HostFiles.h"
#include "tools/driverpack/ToolError.h"

namespace tolma::driverpack::host {
namespace {

std::string SystemReason(DWORD error) {
  char* text = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string reason = length != 0 ? std::string(text, length) : "error " + std::to_string(error);
  if (text != nullptr) ::LocalFree(text);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                             reason.back() == ' ' || reason.back() == '.')) {
    reason.pop_back();
  }
  return reason;
}

[[noreturn]] void Fail(const std::string& path, const std::string& what) {
  throw ToolError(path + ": " + what + ": " + SystemReason(::GetLastError()));
}

class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() { Close(); }
  [[nodiscard]] HANDLE Get() const { return handle_; }
  [[nodiscard]] bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Close() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle == INVALID_HANDLE_VALUE || ::CloseHandle(handle) != 0;
  }

 private:
  HANDLE handle_;
};

class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  ~FindHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) ::FindClose(handle_);
  }
  [[nodiscard]] HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

PathKind KindOfAttributes(DWORD attributes) {
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return PathKind::Link;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return PathKind::Folder;
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return PathKind::Other;
  return PathKind::File;
}

void WriteAll(HANDLE file, std::string_view bytes, const std::string& path) {
  while (!bytes.empty()) {
    const auto chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1U << 24U));
    DWORD written = 0;
    if (::WriteFile(file, bytes.data(), chunk, &written, nullptr) == 0 || written == 0) {
      Fail(path, "cannot write");
    }
    bytes.remove_prefix(written);
  }
}

bool IsSeparator(char ch) { return ch == '\\' || ch == '/' || ch == ':'; }

}  // namespace

std::vector<FolderItem> ListFolder(const std::string& folder) {
  WIN32_FIND_DATAA data{};
  const FindHandle find(::FindFirstFileA(JoinPath(folder, "*").c_str(), &data));
  if (find.Get() == INVALID_HANDLE_VALUE) Fail(folder, "cannot list the folder");
  std::vector<FolderItem> items;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    items.push_back({name, KindOfAttributes(data.dwFileAttributes),
                     static_cast<uint64_t>(data.nFileSizeHigh) << 32U | data.nFileSizeLow,
                     platform::FileTime{data.ftLastWriteTime.dwLowDateTime,
                                        data.ftLastWriteTime.dwHighDateTime}});
  } while (::FindNextFileA(find.Get(), &data) != 0);
  if (::GetLastError() != ERROR_NO_MORE_FILES) Fail(folder, "cannot list the folder");
  return items;
}

PathKind KindOf(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return PathKind::Missing;
    Fail(path, "cannot read its attributes");
  }
  return KindOfAttributes(attributes);
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || IsSeparator(folder.back())) return folder + name;
  return folder + "\\" + name;
}

std::string FolderOf(const std::string& path) {
  size_t cut = path.size();
  while (cut > 0 && !IsSeparator(path[cut - 1])) --cut;
  if (cut == 0) return ".";
  // Keep the separator of a root ("C:\", "\") and a drive's colon.
  if (cut == 1 || path[cut - 1] == ':' || (cut == 3 && path[1] == ':')) return path.substr(0, cut);
  return path.substr(0, cut - 1);
}

std::optional<std::string> ArchiveName(const std::string& hostName) { return hostName; }

std::string HostName(std::string_view archiveName) { return std::string(archiveName); }

std::string ReadFile(const std::string& path, uint64_t maxSize) {
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) Fail(path, "cannot open");
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(file.Get(), &size) == 0) Fail(path, "cannot read its size");
  if (static_cast<uint64_t>(size.QuadPart) > maxSize) {
    throw ToolError(path + ": " + std::to_string(size.QuadPart) + " bytes, more than " +
                    std::to_string(maxSize));
  }
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    const auto chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1U << 24U));
    DWORD got = 0;
    if (::ReadFile(file.Get(), bytes.data() + done, chunk, &got, nullptr) == 0) {
      Fail(path, "cannot read");
    }
    if (got == 0) throw ToolError(path + ": the file became shorter while it was read");
    done += got;
  }
  return bytes;
}

void MakeFolder(const std::string& path) {
  if (::CreateDirectoryA(path.c_str(), nullptr) == 0) Fail(path, "cannot create the folder");
}

void RemoveEntry(const std::string& path) {
  // A directory link is removed as a folder; the folder it leads to stays.
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  const bool isFolderLink =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const BOOL removed =
      isFolderLink ? ::RemoveDirectoryA(path.c_str()) : ::DeleteFileA(path.c_str());
  if (removed == 0) Fail(path, "cannot remove");
}

void WriteNewFile(const std::string& path, std::string_view content, platform::FileTime time) {
  // CREATE_NEW refuses anything at the path, a link included.
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) Fail(path, "cannot create");
  try {
    WriteAll(file.Get(), content, path);
    const FILETIME lastWrite{time.Low, time.High};
    if (::SetFileTime(file.Get(), nullptr, nullptr, &lastWrite) == 0) {
      Fail(path, "cannot set the last-write time");
    }
    if (!file.Close()) Fail(path, "cannot write");
  } catch (...) {
    file.Close();
    ::DeleteFileA(path.c_str());
    throw;
  }
}

struct PendingOutput::Handle {
  std::string TempPath;
  std::unique_ptr<FileHandle> File;
};

PendingOutput::PendingOutput(const std::string& finalPath)
    : handle_(std::make_unique<Handle>()), finalPath_(finalPath) {
  char temp[MAX_PATH] = {};
  const std::string folder = FolderOf(finalPath);
  if (::GetTempFileNameA(folder.c_str(), "dpk", 0, temp) == 0) {
    Fail(folder, "cannot create a temporary file");
  }
  handle_->TempPath = temp;
  handle_->File = std::make_unique<FileHandle>(::CreateFileA(
      temp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle_->File->Valid()) {
    const DWORD error = ::GetLastError();
    ::DeleteFileA(temp);
    handle_->File.reset();
    throw ToolError(handle_->TempPath + ": cannot open the temporary file: " + SystemReason(error));
  }
}

PendingOutput::~PendingOutput() {
  if (handle_->File) {
    handle_->File.reset();
    ::DeleteFileA(handle_->TempPath.c_str());
  }
}

void PendingOutput::Write(std::string_view bytes) {
  WriteAll(handle_->File->Get(), bytes, handle_->TempPath);
}

void PendingOutput::Commit(bool replace) {
  if (::FlushFileBuffers(handle_->File->Get()) == 0) Fail(handle_->TempPath, "cannot write");
  if (!handle_->File->Close()) Fail(handle_->TempPath, "cannot write");
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  if (::MoveFileExA(handle_->TempPath.c_str(), finalPath_.c_str(), flags) == 0) {
    if (::GetLastError() == ERROR_ALREADY_EXISTS || ::GetLastError() == ERROR_FILE_EXISTS) {
      throw ToolError(finalPath_ + ": exists; use --force to replace it");
    }
    Fail(finalPath_, "cannot rename the temporary file to it");
  }
  handle_->File.reset();
}

}  // namespace tolma::driverpack::host
