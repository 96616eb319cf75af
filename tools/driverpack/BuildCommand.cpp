// driverpack build: a copy of the stub with the folder's archive appended and its offset in
// the marker.

#include <string>

#include "installer/ArchiveWriter.h"
#include "installer/EmbeddedArchive.h"
#include "tools/driverpack/Commands.h"
#include "tools/driverpack/HostFiles.h"
#include "tools/driverpack/InstallerFile.h"
#include "tools/driverpack/MarkerSearch.h"
#include "tools/driverpack/PackingFolder.h"
#include "tools/driverpack/PeImage.h"
#include "tools/driverpack/ToolError.h"

namespace tolma::driverpack {
namespace {

// The stub's bytes with the position of its marker, once it has shown itself fit to be packed.
struct Stub {
  std::string Bytes;
  size_t MarkerPosition = 0;
};

Stub ReadStub(const std::string& path) {
  Stub stub{host::ReadFile(path, kMaxInstallerSize), 0};
  PeLayout layout;
  try {
    layout = ReadPeLayout(stub.Bytes);
  } catch (const ToolError& error) {
    throw ToolError(path + ": " + error.Message());
  }
  const std::string_view image = std::string_view(stub.Bytes).substr(0, layout.ImageEnd);
  const std::vector<size_t> markers = FindArchiveMarkers(image);
  if (markers.empty()) {
    throw ToolError(path + ": holds no archive marker; the stub must be a DriverInstall.exe");
  }
  if (markers.size() > 1) {
    throw ToolError(path + ": holds " + std::to_string(markers.size()) +
                    " archive markers; the stub must hold exactly one");
  }
  stub.MarkerPosition = markers.front();
  if (image.substr(stub.MarkerPosition + kMarkerFieldOffset, kMarkerNoArchive.size()) !=
      kMarkerNoArchive) {
    throw ToolError(path + ": is already packed (its marker's offset field is filled)");
  }
  if (layout.CertificateOffset != 0 || layout.CertificateSize != 0) {
    throw ToolError(path +
                    ": is signed (it carries a certificate table); attach the archive before "
                    "signing");
  }
  if (stub.Bytes.size() > layout.ImageEnd) {
    throw ToolError(path + ": carries " + std::to_string(stub.Bytes.size() - layout.ImageEnd) +
                    " bytes after the end of its image; attach the archive to the stub as built, "
                    "before signing");
  }
  return stub;
}

}  // namespace

int RunBuild(const BuildOptions& options, std::ostream& out, std::ostream& err) {
  if (!options.Force && host::KindOf(options.Output) != host::PathKind::Missing) {
    throw ToolError(options.Output + ": exists; use --force to replace it");
  }
  Stub stub = ReadStub(options.Stub);
  if (!host::IsFolder(options.Folder)) throw ToolError(options.Folder + ": not a folder");

  const PackingFolder folder = CollectPackingFolder(options.Folder);
  if (!folder.Refusals.empty()) {
    for (const PackingRefusal& refusal : folder.Refusals) {
      err << kToolPrefix << refusal.HostPath << ": " << refusal.Reason << "\n";
    }
    err << kToolPrefix << "nothing written\n";
    return 1;
  }

  uint64_t recordsSize = 0;
  uint64_t contentSize = 0;
  size_t infCount = 0;
  for (const FileToPack& file : folder.Files) {
    recordsSize += FileRecordSize(file.RelPath.size(), file.Size);
    contentSize += file.Size;
    if (IsInfPath(file.RelPath)) ++infCount;
  }
  const uint64_t outputSize = stub.Bytes.size() + ArchiveSize(recordsSize);
  if (outputSize > kMaxInstallerSize) {
    throw ToolError(options.Output + ": would be " + std::to_string(outputSize) +
                    " bytes, more than the 2 GiB less one byte that the installer can read");
  }

  const auto archiveOffset = static_cast<int32_t>(stub.Bytes.size());
  stub.Bytes.replace(stub.MarkerPosition + kMarkerFieldOffset, 4,
                     PackLongWord(static_cast<uint32_t>(archiveOffset)));
  host::PendingOutput output(options.Output);
  output.Write(stub.Bytes);
  output.Write(ArchiveHead(static_cast<uint32_t>(folder.Files.size()), recordsSize));
  for (const FileToPack& file : folder.Files) {
    std::string content = host::ReadFile(file.HostPath, file.Size);
    if (content.size() != file.Size) {
      throw ToolError(file.HostPath + ": changed while it was packed");
    }
    if (options.Verbose) {
      out << "added " << host::HostName(file.RelPath) << " (" << file.Size << " bytes)\n";
    }
    output.Write(MakeFileRecord(file.RelPath, file.LastWrite, std::move(content))->SaveToString());
  }
  output.Commit(options.Force);

  out << "packed " << folder.Files.size() << " files (" << infCount << " INF), " << contentSize
      << " bytes, into " << options.Output << " (" << outputSize << " bytes, archive at offset "
      << archiveOffset << ")\n";
  return 0;
}

}  // namespace tolma::driverpack
