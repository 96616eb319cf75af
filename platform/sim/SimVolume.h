#pragma once

// An in-memory volume with the path rules of Windows: drive-letter paths, "\" (and "/")
// separators, "." and ".." folded away, names compared without regard to ASCII case but kept
// as created, attributes, three time stamps, directory and file links, and fault switches.
// The current directory is the root of drive C:, for paths without a drive.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

namespace tolma::sim {

class SimVolume final : public platform::FileSystem {
 public:
  SimVolume();
  ~SimVolume() override;

  std::string OwnModulePath() override { return ownModulePath_; }
  std::unique_ptr<Stream> OpenForReading(const std::string& path) override;
  std::unique_ptr<platform::WritableFile> CreateOrReplace(const std::string& path) override;
  bool MakeFolder(const std::string& path) override;
  uint32_t Attributes(const std::string& path) override;
  std::optional<std::vector<platform::FolderEntry>> ListFolder(const std::string& pattern) override;
  bool RemoveFile(const std::string& path) override;
  bool RemoveFolder(const std::string& path) override;

  // ---- Set-up for tests. These helpers create missing parent folders and ignore the fault
  // switches. ----
  void SetOwnModulePath(std::string path) { ownModulePath_ = std::move(path); }
  // The clock of the volume: the time stamp given to files and folders created or written.
  void SetNow(platform::FileTime now) { now_ = now; }
  // The lead-byte test of the ANSI code page: a trail byte is never a separator.
  void SetLeadByteTest(std::function<bool(unsigned char)> isLead) { isLead_ = std::move(isLead); }
  void AddDrive(char letter);
  void AddFolder(const std::string& path, uint32_t extraAttributes = 0);
  // A file with content, last-write time (now when none is given) and attributes.
  void AddFile(const std::string& path, std::string content,
               std::optional<platform::FileTime> lastWrite = std::nullopt,
               uint32_t attributes = platform::kAttrArchive);
  // A directory junction at path that leads to the folder target.
  void AddJunction(const std::string& path, const std::string& target);
  // A file symbolic link at path that leads to the file target.
  void AddFileLink(const std::string& path, const std::string& target);
  void SetAttributes(const std::string& path, uint32_t attributes);

  // ---- Inspection. A path through a link reads what the link leads to; the last name of the
  // path is not followed, except by Content. ----
  [[nodiscard]] bool Exists(const std::string& path) const;
  [[nodiscard]] std::optional<std::string> Content(const std::string& path) const;
  [[nodiscard]] std::optional<platform::FileTime> LastWriteTime(const std::string& path) const;
  [[nodiscard]] std::optional<platform::FileTime> CreationTime(const std::string& path) const;
  // Every file, folder and link below folder, depth first in creation order, as folder + "\" +
  // the names as stored. Links are listed but not entered.
  [[nodiscard]] std::vector<std::string> PathsUnder(const std::string& folder) const;
  // Whether a file handle from CreateOrReplace is still open on the file.
  [[nodiscard]] bool IsOpen(const std::string& path) const;
  [[nodiscard]] int OpenFileCount() const { return openFiles_; }

  // ---- Fault switches. ----
  // Bytes that writes may still add to the volume; none means no limit. A write that does not
  // fit stores what fits and returns that count.
  void SetFreeBytes(std::optional<uint64_t> bytes);
  // A file held open by another program: it cannot be opened, replaced or removed.
  void SetInUse(const std::string& path, bool inUse);
  // MakeFolder fails for this path (access denied).
  void ForbidFolder(const std::string& path);

 private:
  struct Node;
  class OpenFile;
  struct ParsedPath {
    char Drive = 'C';
    std::vector<std::string> Names;
    bool TrailingSeparator = false;
  };

  [[nodiscard]] std::optional<ParsedPath> Parse(std::string_view path) const;
  [[nodiscard]] bool SameName(std::string_view a, std::string_view b) const;
  [[nodiscard]] Node* FindChild(const Node& folder, std::string_view name) const;
  [[nodiscard]] Node* Walk(const ParsedPath& path, size_t count, int depth) const;
  [[nodiscard]] Node* FollowLinks(Node* node, int depth) const;
  // The node at path; the last name is followed through links only when follow is set.
  [[nodiscard]] Node* Find(const std::string& path, bool follow) const;
  // The folder that holds the last name of path (links on the way followed), and that name.
  [[nodiscard]] std::pair<Node*, std::string> FindParent(const std::string& path) const;
  Node& ForceFolder(const std::string& path);
  Node& AddNode(Node& folder, const std::string& name, uint32_t attributes);
  void RemoveChild(Node& folder, const Node& child);
  void SetContent(Node& file, std::string content);
  void CollectPaths(const Node& folder, const std::string& prefix,
                    std::vector<std::string>& paths) const;

  std::map<char, std::unique_ptr<Node>> roots_;
  std::string ownModulePath_ = "C:\\Users\\Public\\Downloads\\DriverInstall.exe";
  platform::FileTime now_{0xD53E8000, 0x01D9B6F7};
  std::function<bool(unsigned char)> isLead_;
  std::optional<uint64_t> freeBytes_;
  int openFiles_ = 0;
  std::vector<ParsedPath> forbiddenFolders_;
};

}  // namespace tolma::sim
