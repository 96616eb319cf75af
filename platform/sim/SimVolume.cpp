#include "platform/sim/SimVolume.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace tolma::sim {

using platform::FileTime;
using platform::kAttrArchive;
using platform::kAttrDirectory;
using platform::kAttrHidden;
using platform::kAttrReadOnly;
using platform::kAttrReparsePoint;
using platform::kAttrSystem;

namespace {

constexpr char kCurrentDrive = 'C';

// Windows gives up on a path after this many links in a row.
constexpr int kMaxLinkHops = 31;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool IsReservedByte(unsigned char c) {
  return c < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' ||
         c == '*';
}

// Wildcards of FindFirstFile: "*" any run, "?" one byte; "*.*" matches every name.
bool MatchesMask(std::string_view name, std::string_view mask) {
  if (mask == "*.*") mask = "*";
  size_t n = 0;
  size_t m = 0;
  size_t starMask = std::string_view::npos;
  size_t starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == '?' || mask[m] == name[n])) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == '*') {
      starMask = m++;
      starName = n;
    } else if (starMask != std::string_view::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

}  // namespace

struct SimVolume::Node {
  std::string Name;
  uint32_t Attributes = 0;
  std::string Content;
  FileTime Creation;
  FileTime LastWrite;
  std::string LinkTarget;  // set on directory and file links
  bool InUse = false;
  bool OpenForWrite = false;
  std::vector<std::unique_ptr<Node>> Children;

  [[nodiscard]] bool IsFolder() const { return (Attributes & kAttrDirectory) != 0; }
  [[nodiscard]] bool IsLink() const { return !LinkTarget.empty(); }
};

// The handle CreateOrReplace returns: exclusive while it lives, writing at its own position.
class SimVolume::OpenFile final : public platform::WritableFile {
 public:
  OpenFile(SimVolume& volume, Node& file) : volume_(volume), file_(file) {
    file_.OpenForWrite = true;
    ++volume_.openFiles_;
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  ~OpenFile() override {
    file_.OpenForWrite = false;
    --volume_.openFiles_;
  }

  uint32_t Write(std::string_view bytes) override {
    const uint64_t size = file_.Content.size();
    uint64_t count = std::min<uint64_t>(bytes.size(), std::numeric_limits<uint32_t>::max());
    if (volume_.freeBytes_) {
      const uint64_t overwritten = size > position_ ? size - position_ : 0;
      count = std::min(count, overwritten + *volume_.freeBytes_);
    }
    if (count == 0) return 0;
    std::string content = file_.Content;
    if (content.size() < position_ + count) content.resize(position_ + count, '\0');
    content.replace(position_, count, bytes.substr(0, count));
    volume_.SetContent(file_, std::move(content));
    position_ += count;
    if (!timeFixed_) file_.LastWrite = volume_.now_;
    return static_cast<uint32_t>(count);
  }

  bool SetLastWriteTime(FileTime time) override {
    file_.LastWrite = time;
    timeFixed_ = true;  // later writes through this handle keep the time that was set
    return true;
  }

 private:
  SimVolume& volume_;
  Node& file_;
  uint64_t position_ = 0;
  bool timeFixed_ = false;
};

SimVolume::SimVolume() { AddDrive(kCurrentDrive); }

SimVolume::~SimVolume() = default;

// ---- Path rules ---------------------------------------------------------------------------

std::optional<SimVolume::ParsedPath> SimVolume::Parse(std::string_view path) const {
  if (path.empty()) return std::nullopt;
  ParsedPath parsed;
  size_t i = 0;
  if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':') {
    parsed.Drive = static_cast<char>(path[0] & ~0x20);
    i = 2;
  } else if (path.size() > 1 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    return std::nullopt;  // no network shares here
  } else {
    parsed.Drive = kCurrentDrive;
  }
  std::string name;
  bool reserved = false;
  bool lastWasSeparator = false;
  auto endName = [&]() {
    if (name == "..") {
      if (!parsed.Names.empty()) parsed.Names.pop_back();
    } else if (!name.empty() && name != ".") {
      if (reserved) return false;
      parsed.Names.push_back(name);
    }
    name.clear();
    reserved = false;
    return true;
  };
  while (i < path.size()) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (isLead_ && isLead_(c) && i + 1 < path.size()) {
      name.append(path.substr(i, 2));
      i += 2;
      lastWasSeparator = false;
    } else if (IsSeparator(path[i])) {
      if (!endName()) return std::nullopt;
      ++i;
      lastWasSeparator = true;
    } else {
      reserved = reserved || IsReservedByte(c);
      name.push_back(path[i]);
      ++i;
      lastWasSeparator = false;
    }
  }
  if (!endName()) return std::nullopt;
  parsed.TrailingSeparator = lastWasSeparator;
  return parsed;
}

bool SimVolume::SameName(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto c = static_cast<unsigned char>(a[i]);
    if (isLead_ && isLead_(c) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if ((IsAsciiLetter(a[i]) ? (a[i] & ~0x20) : a[i]) !=
               (IsAsciiLetter(b[i]) ? (b[i] & ~0x20) : b[i])) {
      return false;
    }
  }
  return true;
}

SimVolume::Node* SimVolume::FindChild(const Node& folder, std::string_view name) const {
  for (const auto& child : folder.Children) {
    if (SameName(child->Name, name)) return child.get();
  }
  return nullptr;
}

SimVolume::Node* SimVolume::Walk(const ParsedPath& path, size_t count, int depth) const {
  const auto root = roots_.find(path.Drive);
  Node* node = root == roots_.end() ? nullptr : root->second.get();
  for (size_t k = 0; k < count && node != nullptr; ++k) {
    node = FollowLinks(node, depth);
    if (node == nullptr || !node->IsFolder()) return nullptr;
    node = FindChild(*node, path.Names[k]);
  }
  return node;
}

SimVolume::Node* SimVolume::FollowLinks(Node* node, int depth) const {
  if (node == nullptr || !node->IsLink()) return node;
  if (depth >= kMaxLinkHops) return nullptr;
  const auto target = Parse(node->LinkTarget);
  if (!target) return nullptr;
  return FollowLinks(Walk(*target, target->Names.size(), depth + 1), depth + 1);
}

SimVolume::Node* SimVolume::Find(const std::string& path, bool follow) const {
  const auto parsed = Parse(path);
  if (!parsed) return nullptr;
  Node* node = Walk(*parsed, parsed->Names.size(), 0);
  if (follow) node = FollowLinks(node, 0);
  if (node != nullptr && parsed->TrailingSeparator && !node->IsFolder()) return nullptr;
  return node;
}

std::pair<SimVolume::Node*, std::string> SimVolume::FindParent(const std::string& path) const {
  const auto parsed = Parse(path);
  if (!parsed || parsed->Names.empty() || parsed->TrailingSeparator) return {nullptr, {}};
  Node* folder = FollowLinks(Walk(*parsed, parsed->Names.size() - 1, 0), 0);
  if (folder == nullptr || !folder->IsFolder()) return {nullptr, {}};
  return {folder, parsed->Names.back()};
}

// ---- Changes ------------------------------------------------------------------------------

SimVolume::Node& SimVolume::AddNode(Node& folder, const std::string& name, uint32_t attributes) {
  auto node = std::make_unique<Node>();
  node->Name = name;
  node->Attributes = attributes;
  node->Creation = now_;
  node->LastWrite = now_;
  folder.Children.push_back(std::move(node));
  return *folder.Children.back();
}

void SimVolume::RemoveChild(Node& folder, const Node& child) {
  const auto at = std::find_if(folder.Children.begin(), folder.Children.end(),
                               [&](const auto& entry) { return entry.get() == &child; });
  SetContent(**at, {});
  folder.Children.erase(at);
}

void SimVolume::SetContent(Node& file, std::string content) {
  const uint64_t oldSize = file.Content.size();
  const uint64_t newSize = content.size();
  if (freeBytes_) {
    *freeBytes_ = newSize > oldSize ? *freeBytes_ - std::min(*freeBytes_, newSize - oldSize)
                                    : *freeBytes_ + (oldSize - newSize);
  }
  file.Content = std::move(content);
}

// ---- platform::FileSystem -----------------------------------------------------------------

std::unique_ptr<Stream> SimVolume::OpenForReading(const std::string& path) {
  const Node* file = Find(path, true);
  if (file == nullptr || file->IsFolder() || file->InUse || file->OpenForWrite) return nullptr;
  return std::make_unique<MemoryStream>(file->Content);
}

std::unique_ptr<platform::WritableFile> SimVolume::CreateOrReplace(const std::string& path) {
  const auto [folder, name] = FindParent(path);
  if (folder == nullptr) return nullptr;
  Node* file = FindChild(*folder, name);
  if (file == nullptr)
    return std::make_unique<OpenFile>(*this, AddNode(*folder, name, kAttrArchive));
  file = FollowLinks(file, 0);
  // CREATE_ALWAYS with normal attributes is refused on hidden and system files, too.
  if (file == nullptr || file->IsFolder() || file->InUse || file->OpenForWrite ||
      (file->Attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem)) != 0) {
    return nullptr;
  }
  SetContent(*file, {});
  file->Attributes = kAttrArchive;
  file->LastWrite = now_;
  return std::make_unique<OpenFile>(*this, *file);
}

bool SimVolume::MakeFolder(const std::string& path) {
  const auto parsed = Parse(path);
  if (!parsed || parsed->Names.empty()) return false;
  for (const auto& forbidden : forbiddenFolders_) {
    if (forbidden.Drive == parsed->Drive && forbidden.Names.size() == parsed->Names.size() &&
        std::equal(forbidden.Names.begin(), forbidden.Names.end(), parsed->Names.begin(),
                   [&](const auto& a, const auto& b) { return SameName(a, b); })) {
      return false;
    }
  }
  Node* folder = FollowLinks(Walk(*parsed, parsed->Names.size() - 1, 0), 0);
  if (folder == nullptr || !folder->IsFolder() || FindChild(*folder, parsed->Names.back())) {
    return false;
  }
  AddNode(*folder, parsed->Names.back(), kAttrDirectory);
  return true;
}

uint32_t SimVolume::Attributes(const std::string& path) {
  const Node* node = Find(path, false);
  return node == nullptr ? platform::kInvalidAttributes : node->Attributes;
}

std::optional<std::vector<platform::FolderEntry>> SimVolume::ListFolder(
    const std::string& pattern) {
  size_t cut = std::string::npos;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (isLead_ && isLead_(static_cast<unsigned char>(pattern[i]))) {
      ++i;
    } else if (IsSeparator(pattern[i]) || (i == 1 && pattern[i] == ':')) {
      cut = i;
    }
  }
  const std::string folderPath = cut == std::string::npos ? "." : pattern.substr(0, cut + 1);
  const std::string mask = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
  const Node* folder = FollowLinks(Find(folderPath, false), 0);
  if (mask.empty() || folder == nullptr || !folder->IsFolder()) return std::nullopt;

  std::string foldedMask = mask;
  for (auto& c : foldedMask) {
    if (IsAsciiLetter(c)) c = static_cast<char>(c & ~0x20);
  }
  auto matches = [&](std::string name) {
    for (size_t i = 0; i < name.size(); ++i) {
      if (isLead_ && isLead_(static_cast<unsigned char>(name[i]))) {
        ++i;
      } else if (IsAsciiLetter(name[i])) {
        name[i] = static_cast<char>(name[i] & ~0x20);
      }
    }
    return MatchesMask(name, foldedMask);
  };
  std::vector<platform::FolderEntry> entries;
  const bool isRoot = std::any_of(roots_.begin(), roots_.end(),
                                  [&](const auto& root) { return root.second.get() == folder; });
  if (!isRoot) {
    for (const char* dots : {".", ".."}) {
      if (matches(dots)) entries.push_back({dots, kAttrDirectory});
    }
  }
  for (const auto& child : folder->Children) {
    if (matches(child->Name)) entries.push_back({child->Name, child->Attributes});
  }
  if (entries.empty()) return std::nullopt;
  return entries;
}

bool SimVolume::RemoveFile(const std::string& path) {
  const auto [folder, name] = FindParent(path);
  if (folder == nullptr) return false;
  const Node* file = FindChild(*folder, name);
  if (file == nullptr || file->IsFolder() || (file->Attributes & kAttrReadOnly) != 0 ||
      file->InUse || file->OpenForWrite) {
    return false;
  }
  RemoveChild(*folder, *file);
  return true;
}

bool SimVolume::RemoveFolder(const std::string& path) {
  const auto parsed = Parse(path);
  if (!parsed || parsed->Names.empty()) return false;
  Node* folder = FollowLinks(Walk(*parsed, parsed->Names.size() - 1, 0), 0);
  const Node* entry = folder == nullptr ? nullptr : FindChild(*folder, parsed->Names.back());
  if (entry == nullptr || !entry->IsFolder()) return false;
  if (!entry->IsLink() && ((entry->Attributes & kAttrReadOnly) != 0 || !entry->Children.empty())) {
    return false;
  }
  RemoveChild(*folder, *entry);
  return true;
}

// ---- Set-up for tests ---------------------------------------------------------------------

void SimVolume::AddDrive(char letter) {
  auto& root = roots_[static_cast<char>(letter & ~0x20)];
  if (root) return;
  root = std::make_unique<Node>();
  root->Name = std::string(1, static_cast<char>(letter & ~0x20)) + ":";
  root->Attributes = kAttrDirectory;
}

SimVolume::Node& SimVolume::ForceFolder(const std::string& path) {
  const auto parsed = Parse(path);
  if (!parsed) throw std::invalid_argument("not a valid path: " + path);
  AddDrive(parsed->Drive);
  Node* node = roots_[parsed->Drive].get();
  for (const auto& name : parsed->Names) {
    node = FollowLinks(node, 0);
    if (node == nullptr || !node->IsFolder()) {
      throw std::invalid_argument("a file or a broken link is in the way: " + path);
    }
    Node* child = FindChild(*node, name);
    node = child != nullptr ? child : &AddNode(*node, name, kAttrDirectory);
  }
  node = FollowLinks(node, 0);
  if (node == nullptr || !node->IsFolder()) throw std::invalid_argument("not a folder: " + path);
  return *node;
}

void SimVolume::AddFolder(const std::string& path, uint32_t extraAttributes) {
  ForceFolder(path).Attributes |= extraAttributes;
}

void SimVolume::AddFile(const std::string& path, std::string content,
                        std::optional<FileTime> lastWrite, uint32_t attributes) {
  const auto parsed = Parse(path);
  if (!parsed || parsed->Names.empty() || parsed->TrailingSeparator) {
    throw std::invalid_argument("not a file path: " + path);
  }
  Node& folder = ForceFolder(path + "\\..");
  Node* file = FindChild(folder, parsed->Names.back());
  if (file == nullptr) file = &AddNode(folder, parsed->Names.back(), 0);
  if (file->IsFolder() || file->IsLink()) throw std::invalid_argument("not a file: " + path);
  SetContent(*file, std::move(content));
  file->Attributes = attributes & ~kAttrDirectory;
  file->LastWrite = lastWrite.value_or(now_);
}

void SimVolume::AddJunction(const std::string& path, const std::string& target) {
  const auto parsed = Parse(path);
  if (!parsed || parsed->Names.empty()) throw std::invalid_argument("not a link path: " + path);
  Node& folder = ForceFolder(path + "\\..");
  if (FindChild(folder, parsed->Names.back())) throw std::invalid_argument("exists: " + path);
  AddNode(folder, parsed->Names.back(), kAttrDirectory | kAttrReparsePoint).LinkTarget = target;
}

void SimVolume::AddFileLink(const std::string& path, const std::string& target) {
  const auto parsed = Parse(path);
  if (!parsed || parsed->Names.empty()) throw std::invalid_argument("not a link path: " + path);
  Node& folder = ForceFolder(path + "\\..");
  if (FindChild(folder, parsed->Names.back())) throw std::invalid_argument("exists: " + path);
  AddNode(folder, parsed->Names.back(), kAttrArchive | kAttrReparsePoint).LinkTarget = target;
}

void SimVolume::SetAttributes(const std::string& path, uint32_t attributes) {
  Node* node = Find(path, false);
  if (node == nullptr) throw std::invalid_argument("nothing at " + path);
  node->Attributes = (attributes & ~kAttrDirectory) | (node->Attributes & kAttrDirectory);
}

void SimVolume::SetFreeBytes(std::optional<uint64_t> bytes) { freeBytes_ = bytes; }

void SimVolume::SetInUse(const std::string& path, bool inUse) {
  Node* file = Find(path, true);
  if (file == nullptr || file->IsFolder()) throw std::invalid_argument("no file at " + path);
  file->InUse = inUse;
}

void SimVolume::ForbidFolder(const std::string& path) {
  const auto parsed = Parse(path);
  if (!parsed) throw std::invalid_argument("not a valid path: " + path);
  forbiddenFolders_.push_back(*parsed);
}

// ---- Inspection ---------------------------------------------------------------------------

bool SimVolume::Exists(const std::string& path) const { return Find(path, false) != nullptr; }

std::optional<std::string> SimVolume::Content(const std::string& path) const {
  const Node* file = Find(path, true);
  if (file == nullptr || file->IsFolder()) return std::nullopt;
  return file->Content;
}

std::optional<FileTime> SimVolume::LastWriteTime(const std::string& path) const {
  const Node* node = Find(path, false);
  if (node == nullptr) return std::nullopt;
  return node->LastWrite;
}

std::optional<FileTime> SimVolume::CreationTime(const std::string& path) const {
  const Node* node = Find(path, false);
  if (node == nullptr) return std::nullopt;
  return node->Creation;
}

std::vector<std::string> SimVolume::PathsUnder(const std::string& folder) const {
  std::vector<std::string> paths;
  const Node* node = FollowLinks(Find(folder, false), 0);
  if (node == nullptr || !node->IsFolder()) return paths;
  std::string prefix = folder;
  while (!prefix.empty() && IsSeparator(prefix.back())) prefix.pop_back();
  CollectPaths(*node, prefix, paths);
  return paths;
}

void SimVolume::CollectPaths(const Node& folder, const std::string& prefix,
                             std::vector<std::string>& paths) const {
  for (const auto& child : folder.Children) {
    const std::string path = prefix + "\\" + child->Name;
    paths.push_back(path);
    if (child->IsFolder() && !child->IsLink()) CollectPaths(*child, path, paths);
  }
}

bool SimVolume::IsOpen(const std::string& path) const {
  const Node* file = Find(path, true);
  return file != nullptr && file->OpenForWrite;
}

}  // namespace tolma::sim
