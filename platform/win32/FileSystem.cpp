#include "platform/win32/FileSystem.h"

#include <cstring>
#include <limits>

#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

namespace tolma::win32 {
namespace {

constexpr int64_t kStreamLimit = std::numeric_limits<int32_t>::max();

// Streams count in signed 32 bits; a larger file reads as its first 2 GB.
int32_t ToStreamSize(int64_t value) {
  return static_cast<int32_t>(value < 0 ? 0 : (value > kStreamLimit ? kStreamLimit : value));
}

class ReadingStream final : public Stream {
 public:
  explicit ReadingStream(KernelHandle file) : file_(std::move(file)) {}

  [[nodiscard]] int32_t Size() const override {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file_.Get(), &size)) return 0;
    return ToStreamSize(size.QuadPart);
  }

  [[nodiscard]] int32_t Position() const override {
    LARGE_INTEGER position{};
    if (!SetFilePointerEx(file_.Get(), LARGE_INTEGER{}, &position, FILE_CURRENT)) return 0;
    return ToStreamSize(position.QuadPart);
  }

  void SetPosition(int32_t position) override {
    LARGE_INTEGER target{};
    target.QuadPart = position;
    SetFilePointerEx(file_.Get(), target, nullptr, FILE_BEGIN);
  }

  int32_t Read(void* buffer, int32_t count) override {
    if (count <= 0) return 0;
    DWORD read = 0;
    if (!ReadFile(file_.Get(), buffer, static_cast<DWORD>(count), &read, nullptr)) return 0;
    return static_cast<int32_t>(read);
  }

  // The file is open for reading only.
  int32_t Write(const void*, int32_t) override { return 0; }

 private:
  KernelHandle file_;
};

class ReplacedFile final : public platform::WritableFile {
 public:
  explicit ReplacedFile(KernelHandle file) : file_(std::move(file)) {}

  uint32_t Write(std::string_view bytes) override {
    if (bytes.size() > std::numeric_limits<DWORD>::max()) return 0;
    DWORD written = 0;
    if (!WriteFile(file_.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr)) {
      return 0;
    }
    return written;
  }

  bool SetLastWriteTime(platform::FileTime time) override {
    const FILETIME lastWrite{time.Low, time.High};
    return SetFileTime(file_.Get(), nullptr, nullptr, &lastWrite) != FALSE;
  }

 private:
  KernelHandle file_;
};

}  // namespace

std::string FileSystem::OwnModulePath() {
  // Long paths exceed MAX_PATH: grow the buffer while the name fills it.
  constexpr DWORD kLongestPath = 32768;
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD capacity = static_cast<DWORD>(path.size());
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), capacity);
    if (length == 0) return {};
    if (length < capacity) {
      path.resize(length);
      return path;
    }
    if (capacity >= kLongestPath) return {};
    path.resize(capacity * 2);
  }
}

std::unique_ptr<Stream> FileSystem::OpenForReading(const std::string& path) {
  if (!PassesWhole(path)) return nullptr;
  KernelHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return nullptr;
  return std::make_unique<ReadingStream>(std::move(file));
}

std::unique_ptr<platform::WritableFile> FileSystem::CreateOrReplace(const std::string& path) {
  if (!PassesWhole(path)) return nullptr;
  KernelHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return nullptr;
  return std::make_unique<ReplacedFile>(std::move(file));
}

bool FileSystem::MakeFolder(const std::string& path) {
  return PassesWhole(path) && CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

uint32_t FileSystem::Attributes(const std::string& path) {
  if (!PassesWhole(path)) return platform::kInvalidAttributes;
  return GetFileAttributesA(path.c_str());
}

std::optional<std::vector<platform::FolderEntry>> FileSystem::ListFolder(
    const std::string& pattern) {
  if (!PassesWhole(pattern)) return std::nullopt;
  WIN32_FIND_DATAA found{};
  FindHandle search(FindFirstFileA(pattern.c_str(), &found));
  if (!search) return std::nullopt;
  std::vector<platform::FolderEntry> entries;
  do {
    entries.push_back(
        {std::string(found.cFileName, strnlen(found.cFileName, MAX_PATH)), found.dwFileAttributes});
  } while (FindNextFileA(search.Get(), &found));
  return entries;
}

bool FileSystem::RemoveFile(const std::string& path) {
  return PassesWhole(path) && DeleteFileA(path.c_str()) != FALSE;
}

bool FileSystem::RemoveFolder(const std::string& path) {
  return PassesWhole(path) && RemoveDirectoryA(path.c_str()) != FALSE;
}

}  // namespace tolma::win32
