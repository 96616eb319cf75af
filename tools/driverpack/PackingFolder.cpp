#include "tools/driverpack/PackingFolder.h"

#include <algorithm>

#include "installer/PathSafety.h"
#include "tools/driverpack/ArchiveChecks.h"
#include "tools/driverpack/HostFiles.h"
#include "tools/driverpack/PathCollisions.h"

namespace tolma::driverpack {
namespace {

struct PendingFolder {
  std::string HostPath;
  std::string RelPath;  // empty for the folder being packed, else ending in "\"
};

}  // namespace

PackingFolder CollectPackingFolder(const std::string& folder) {
  PackingFolder result;
  auto refuse = [&result](const std::string& hostPath, std::string reason) {
    result.Refusals.push_back({hostPath, std::move(reason)});
  };

  std::vector<PendingFolder> pending = {{folder, ""}};
  while (!pending.empty()) {
    const PendingFolder current = std::move(pending.back());
    pending.pop_back();
    for (host::FolderItem& item : host::ListFolder(current.HostPath)) {
      const std::string hostPath = host::JoinPath(current.HostPath, item.Name);
      const std::optional<std::string> name = host::ArchiveName(item.Name);
      if (!name) {
        refuse(hostPath, "the name is not representable in Windows-1252");
        continue;
      }
      const std::string relPath = current.RelPath + *name;
      switch (item.Kind) {
        case host::PathKind::Folder:
          pending.push_back({hostPath, relPath + "\\"});
          break;
        case host::PathKind::File:
          if (item.Size == 0) {
            refuse(hostPath, "empty file; the archive cannot carry a file of 0 bytes");
          } else if (!item.LastWrite) {
            refuse(hostPath, "its modification time lies before 1601");
          } else if (const auto unsafe =
                         UnsafeRelPathReason(relPath, kReferenceInstallRoot, NoLeadBytes)) {
            refuse(hostPath, "unsafe path \"" + host::HostName(relPath) + "\": it " + *unsafe);
          } else {
            result.Files.push_back({hostPath, relPath, item.Size, *item.LastWrite});
          }
          break;
        default:
          refuse(hostPath, "neither a file nor a folder (links and devices are not packed)");
          break;
      }
    }
  }

  std::sort(result.Files.begin(), result.Files.end(),
            [](const FileToPack& a, const FileToPack& b) { return a.RelPath < b.RelPath; });
  std::vector<std::string_view> relPaths;
  for (const FileToPack& file : result.Files) relPaths.push_back(file.RelPath);
  for (const PathCollision& collision : FindPathCollisions(relPaths)) {
    refuse(result.Files[collision.Later].HostPath, "Windows takes it for the same file as " +
                                                       result.Files[collision.Earlier].HostPath +
                                                       " (" + collision.Why + ")");
  }
  if (result.Files.empty() && result.Refusals.empty()) {
    refuse(folder, "holds no files to pack");
  }
  std::sort(
      result.Refusals.begin(), result.Refusals.end(),
      [](const PackingRefusal& a, const PackingRefusal& b) { return a.HostPath < b.HostPath; });
  return result;
}

}  // namespace tolma::driverpack
