#include "tools/driverpack/ArchiveChecks.h"

#include "installer/EmbeddedArchive.h"
#include "installer/PathSafety.h"
#include "tools/driverpack/HostFiles.h"
#include "tools/driverpack/PathCollisions.h"

namespace tolma::driverpack {

std::vector<std::string> RecordProblems(const TDIFFChunk& root) {
  std::vector<std::string> problems;
  std::vector<std::string_view> relPaths;
  std::vector<size_t> childOfPath;
  for (size_t i = 0; i < root.Chunks.size(); ++i) {
    const std::string child = "child " + std::to_string(i + 1);
    const FileRecordReading reading = ReadFileRecord(*root.Chunks[i]);
    if (!reading.Record) {
      problems.push_back(child + " is skipped by the installer: " + reading.SkipReason);
      continue;
    }
    const std::string_view relPath = reading.Record->RelPath;
    if (const auto unsafe = UnsafeRelPathReason(relPath, kReferenceInstallRoot, NoLeadBytes)) {
      problems.push_back(child + " has the unsafe path \"" + host::HostName(relPath) + "\": it " +
                         *unsafe + "; the installer refuses the whole archive");
    }
    relPaths.push_back(relPath);
    childOfPath.push_back(i);
  }
  for (const PathCollision& collision : FindPathCollisions(relPaths)) {
    problems.push_back("children " + std::to_string(childOfPath[collision.Earlier] + 1) + " and " +
                       std::to_string(childOfPath[collision.Later] + 1) + " (\"" +
                       host::HostName(relPaths[collision.Earlier]) + "\", \"" +
                       host::HostName(relPaths[collision.Later]) +
                       "\") name the same file on Windows: " + collision.Why);
  }
  if (relPaths.empty()) problems.emplace_back("the archive holds no file records");
  return problems;
}

}  // namespace tolma::driverpack
