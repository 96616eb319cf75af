#include "installer/InstallJob.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "installer/Errors.h"
#include "installer/MainUnit.h"

namespace tolma {
namespace {

bool DirectoryExists(platform::FileSystem& files, const std::string& path) {
  const uint32_t attributes = files.Attributes(path);
  return attributes != platform::kInvalidAttributes && (attributes & platform::kAttrDirectory) != 0;
}

// The progress maximum of the copy phase, (2n + 1)(m + 1), held within the bar's range.
int32_t CopyPhaseMaximum(size_t fileCount, size_t infCount) {
  const auto limit = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());
  const uint64_t scale = 2 * static_cast<uint64_t>(infCount) + 1;
  const uint64_t steps = static_cast<uint64_t>(fileCount) + 1;
  return static_cast<int32_t>(steps > limit / scale ? limit : scale * steps);
}

int32_t Clamped(uint64_t value) {
  return static_cast<int32_t>(
      std::min<uint64_t>(value, static_cast<uint64_t>(std::numeric_limits<int32_t>::max())));
}

}  // namespace

void SafeForceDirectories(platform::FileSystem& files, std::string_view folder,
                          const LeadByteTest& isLead) {
  // The chain of missing folders, innermost first; a drive root ("C:") ends it.
  std::vector<std::string> missing;
  std::string dir = ExcludeTrailingBackslash(folder, isLead);
  while (dir.size() >= 3 && !DirectoryExists(files, dir)) {
    std::string parent = ExtractFilePath(dir, isLead);
    if (parent == dir) break;
    missing.push_back(dir);
    dir = ExcludeTrailingBackslash(parent, isLead);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (!files.MakeFolder(*it)) return;
  }
}

void WriteFileWithTime(platform::FileSystem& files, std::string_view content,
                       const std::string& path, platform::FileTime fileTime) {
  const std::unique_ptr<platform::WritableFile> file = files.CreateOrReplace(path);
  if (!file) throw EFileCreateError(path);
  if (file->Write(content) != content.size()) throw EFileWriteError(path);
  file->SetLastWriteTime(fileTime);
}

void TMainForm::RunInstall(TApplication& /*sender*/, bool& /*done*/) {
  application_.ClearIdleHook();
  platform::MainWindow& window = Window();
  const LeadByteTest isLead = LeadBytes();

  window.SetStatusText("Loading archive\x85");
  application_.ProcessMessages();
  std::unique_ptr<TDIFFChunk> root = LoadEmbeddedArchive(services_.Files, ArchiveOffset);
  application_.ProcessMessages();
  // An archive that would write outside the install root is refused whole.
  if (root && ArchiveHasUnsafeRecord(*root, InstallRoot, isLead)) root.reset();
  if (!root) {
    window.SetStatusText("Failed to load archive.");
    application_.ProcessMessages();
    application_.SetExitCode(ExitCode::ArchiveFailed);
    PumpFor(1000);
    Close();
    return;
  }

  TFileDatas fileRecords;
  CollectFileRecords(fileRecords, std::move(root), InstallRoot);

  std::vector<std::string> infList;
  for (const TFileData& record : fileRecords) {
    if (UpperAscii(ExtractFileExt(record.FullPath, isLead)) == ".INF") {
      infList.push_back(record.FullPath);
    }
  }

  window.SetStatusText("Copying files\x85");
  window.SetProgressMax(CopyPhaseMaximum(fileRecords.size(), infList.size()));
  window.SetProgressPosition(1);
  application_.ProcessMessages();
  for (size_t i = 0; i < fileRecords.size(); ++i) {
    TFileData& record = fileRecords[i];
    SafeForceDirectories(services_.Files, ExtractFilePath(record.FullPath, isLead), isLead);
    WriteFileWithTime(services_.Files, record.Content, record.FullPath, record.FileTime);
    // What is written need not stay in memory.
    std::string().swap(record.Content);
    window.SetProgressPosition(Clamped(uint64_t{i} + 2));
    application_.ProcessMessages();
  }

  window.SetStatusText("All files copied, registering .INFs\x85");
  window.SetProgressMax(Clamped(2 * uint64_t{infList.size()} + 1));
  for (size_t j = 0; j < infList.size(); ++j) {
    window.SetProgressPosition(Clamped(2 * uint64_t{j} + 1));
    application_.ProcessMessages();
    RegisterInf(infList[j]);
  }
  infList.clear();

  window.SetStatusText("Drivers installed successfully.");
  window.SetProgressPosition(window.ProgressMax());
  application_.ProcessMessages();
  application_.SetExitCode(ExitCode::Success);
  PumpFor(1000);
  Close();
}

}  // namespace tolma
