// The host file system on Linux and other POSIX systems: names are bytes, taken as UTF-8.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/driverpack/FileTimes.h"
#include "tools/driverpack/HostFiles.h"
#include "tools/driverpack/ToolError.h"
#include "tools/driverpack/Windows1252.h"

namespace tolma::driverpack::host {
namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& what) {
  throw ToolError(path + ": " + what + ": " + std::strerror(errno));
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { Close(); }
  [[nodiscard]] int Get() const { return fd_; }
  // Closes now, so that a failing close is seen; false when it failed.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

class Directory {
 public:
  explicit Directory(DIR* dir) : dir_(dir) {}
  Directory(const Directory&) = delete;
  Directory& operator=(const Directory&) = delete;
  ~Directory() {
    if (dir_ != nullptr) ::closedir(dir_);
  }
  [[nodiscard]] DIR* Get() const { return dir_; }

 private:
  DIR* dir_;
};

PathKind KindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return PathKind::File;
  if (S_ISDIR(mode)) return PathKind::Folder;
  if (S_ISLNK(mode)) return PathKind::Link;
  return PathKind::Other;
}

void WriteAll(int fd, std::string_view bytes, const std::string& path) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      Fail(path, "cannot write");
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
}

}  // namespace

std::vector<FolderItem> ListFolder(const std::string& folder) {
  const Directory dir(::opendir(folder.c_str()));
  if (dir.Get() == nullptr) Fail(folder, "cannot list the folder");
  std::vector<FolderItem> items;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir.Get());
    if (entry == nullptr) {
      if (errno != 0) Fail(folder, "cannot list the folder");
      break;
    }
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat info {};
    if (::lstat(JoinPath(folder, name).c_str(), &info) != 0) Fail(JoinPath(folder, name), "stat");
    items.push_back(
        {name, KindOfMode(info.st_mode), static_cast<uint64_t>(info.st_size),
         FileTimeFromUnix({info.st_mtim.tv_sec, static_cast<uint32_t>(info.st_mtim.tv_nsec)})});
  }
  return items;
}

PathKind KindOf(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return PathKind::Missing;
    Fail(path, "stat");
  }
  return KindOfMode(info.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::optional<std::string> ArchiveName(const std::string& hostName) {
  // A "\" is a separator on Windows, not a character of a name.
  if (hostName.find('\\') != std::string::npos) return std::nullopt;
  return Utf8ToWindows1252(hostName);
}

std::string HostName(std::string_view archiveName) { return Windows1252ToUtf8(archiveName); }

std::string ReadFile(const std::string& path, uint64_t maxSize) {
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) Fail(path, "cannot open");
  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0) Fail(path, "stat");
  if (!S_ISREG(info.st_mode)) throw ToolError(path + ": not a file");
  if (static_cast<uint64_t>(info.st_size) > maxSize) {
    throw ToolError(path + ": " + std::to_string(info.st_size) + " bytes, more than " +
                    std::to_string(maxSize));
  }
  std::string bytes(static_cast<size_t>(info.st_size), '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = ::read(fd.Get(), bytes.data() + done, bytes.size() - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      Fail(path, "cannot read");
    }
    if (got == 0) throw ToolError(path + ": the file became shorter while it was read");
    done += static_cast<size_t>(got);
  }
  return bytes;
}

void MakeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) != 0) Fail(path, "cannot create the folder");
}

void RemoveEntry(const std::string& path) {
  if (::unlink(path.c_str()) != 0) Fail(path, "cannot remove");
}

void WriteNewFile(const std::string& path, std::string_view content, platform::FileTime time) {
  // O_EXCL also refuses a link at the path, so nothing is written through one.
  Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (fd.Get() < 0) Fail(path, "cannot create");
  try {
    WriteAll(fd.Get(), content, path);
    const UnixTime unix = UnixFromFileTime(time);
    const timespec times[2] = {
        {0, UTIME_OMIT}, {static_cast<time_t>(unix.Seconds), static_cast<long>(unix.Nanoseconds)}};
    if (::futimens(fd.Get(), times) != 0) Fail(path, "cannot set the last-write time");
    if (!fd.Close()) Fail(path, "cannot write");
  } catch (...) {
    ::unlink(path.c_str());
    throw;
  }
}

struct PendingOutput::Handle {
  std::string TempPath;
  std::unique_ptr<Descriptor> File;
};

PendingOutput::PendingOutput(const std::string& finalPath)
    : handle_(std::make_unique<Handle>()), finalPath_(finalPath) {
  std::string name = finalPath.substr(finalPath.rfind('/') + 1);
  std::string temp = JoinPath(FolderOf(finalPath), "." + name + ".XXXXXX");
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) Fail(temp, "cannot create a temporary file");
  handle_->TempPath = temp;
  handle_->File = std::make_unique<Descriptor>(fd);
  // mkstemp makes the file private; the output gets the permissions of any new file.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  if (::fchmod(fd, 0666 & ~mask) != 0) Fail(temp, "cannot set permissions");
}

PendingOutput::~PendingOutput() {
  if (handle_->File) {
    handle_->File.reset();
    ::unlink(handle_->TempPath.c_str());
  }
}

void PendingOutput::Write(std::string_view bytes) {
  WriteAll(handle_->File->Get(), bytes, handle_->TempPath);
}

void PendingOutput::Commit(bool replace) {
  if (::fsync(handle_->File->Get()) != 0) Fail(handle_->TempPath, "cannot write");
  if (!handle_->File->Close()) Fail(handle_->TempPath, "cannot write");
  const int moved = replace ? ::rename(handle_->TempPath.c_str(), finalPath_.c_str())
                            : ::renameat2(AT_FDCWD, handle_->TempPath.c_str(), AT_FDCWD,
                                          finalPath_.c_str(), RENAME_NOREPLACE);
  if (moved != 0) {
    if (errno == EEXIST) throw ToolError(finalPath_ + ": exists; use --force to replace it");
    Fail(finalPath_, "cannot rename the temporary file to it");
  }
  handle_->File.reset();
}

}  // namespace tolma::driverpack::host
