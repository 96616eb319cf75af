// driverpack extract: the files of an installer's archive, with their times, below a folder,
// and nothing anywhere else.

#include <string>
#include <vector>

#include "installer/EmbeddedArchive.h"
#include "tools/driverpack/ArchiveChecks.h"
#include "tools/driverpack/Commands.h"
#include "tools/driverpack/HostFiles.h"
#include "tools/driverpack/InstallerFile.h"
#include "tools/driverpack/ToolError.h"

namespace tolma::driverpack {
namespace {

struct Target {
  std::vector<std::string> Folders;  // the folders on the way, outermost first
  std::string Path;
  FileRecordView Record;
};

// Where a record goes below root: each "\"-separated name becomes a name here.
Target TargetOf(const std::string& root, const FileRecordView& record) {
  Target target{{}, root, record};
  std::string_view rest = record.RelPath;
  for (size_t cut = rest.find('\\'); cut != std::string_view::npos; cut = rest.find('\\')) {
    target.Path = host::JoinPath(target.Path, host::HostName(rest.substr(0, cut)));
    target.Folders.push_back(target.Path);
    rest.remove_prefix(cut + 1);
  }
  target.Path = host::JoinPath(target.Path, host::HostName(rest));
  return target;
}

// Refuses, before anything is written, a target that would write through a link or over
// something that is not a file, or over a file without --force.
void CheckTarget(const Target& target, bool force) {
  for (const std::string& folder : target.Folders) {
    const host::PathKind kind = host::KindOf(folder);
    if (kind != host::PathKind::Missing && kind != host::PathKind::Folder) {
      throw ToolError(folder + ": is not a folder; nothing is written through it");
    }
  }
  const host::PathKind kind = host::KindOf(target.Path);
  if (kind == host::PathKind::Folder || kind == host::PathKind::Other) {
    throw ToolError(target.Path + ": exists and is not a file");
  }
  if (kind != host::PathKind::Missing && !force) {
    throw ToolError(target.Path + ": exists; use --force to replace it");
  }
}

void Write(const Target& target) {
  for (const std::string& folder : target.Folders) {
    if (host::KindOf(folder) == host::PathKind::Missing) host::MakeFolder(folder);
  }
  // A link is removed itself, so the new file never lands where it leads.
  if (host::KindOf(target.Path) != host::PathKind::Missing) host::RemoveEntry(target.Path);
  host::WriteNewFile(target.Path, target.Record.Content, target.Record.FileTime);
}

}  // namespace

int RunExtract(const ExtractOptions& options, std::ostream& out, std::ostream& err) {
  const InstallerFile file = OpenInstaller(options.Installer);
  const std::vector<std::string> problems = RecordProblems(*file.Root);
  if (!problems.empty()) {
    for (const std::string& problem : problems) {
      err << kToolPrefix << options.Installer << ": " << problem << "\n";
    }
    err << kToolPrefix << "nothing extracted\n";
    return 1;
  }

  const host::PathKind rootKind = host::KindOf(options.Folder);
  if (rootKind != host::PathKind::Missing && !host::IsFolder(options.Folder)) {
    throw ToolError(options.Folder + ": not a folder");
  }
  std::vector<Target> targets;
  for (const auto& child : file.Root->Chunks) {
    targets.push_back(TargetOf(options.Folder, *ReadFileRecord(*child).Record));
  }
  if (rootKind != host::PathKind::Missing) {
    for (const Target& target : targets) CheckTarget(target, options.Force);
  } else {
    host::MakeFolder(options.Folder);
  }

  size_t infCount = 0;
  for (const Target& target : targets) {
    Write(target);
    if (IsInfPath(target.Record.RelPath)) ++infCount;
    if (options.Verbose) {
      out << "extracted " << host::HostName(target.Record.RelPath) << " ("
          << target.Record.Content.size() << " bytes)\n";
    }
  }
  out << "extracted " << targets.size() << " files (" << infCount << " INF) into " << options.Folder
      << "\n";
  return 0;
}

}  // namespace tolma::driverpack
