#include "installer/UninstallJob.h"

#include <algorithm>
#include <vector>

#include "installer/Errors.h"
#include "installer/InfLedger.h"
#include "installer/MainUnit.h"

namespace tolma {
namespace {

bool HasDotSegment(std::string_view path) {
  size_t start = 0;
  while (start <= path.size()) {
    const size_t end = std::min(path.find('\\', start), path.size());
    const std::string_view segment = path.substr(start, end - start);
    if (segment == "." || segment == "..") return true;
    start = end + 1;
  }
  return false;
}

// Whether a folder must stay because a record that could not be withdrawn lies in it.
bool HoldsKeptFolder(std::string_view folder, const std::vector<std::string>& kept) {
  const std::string upper = UpperAscii(folder);
  return std::any_of(kept.begin(), kept.end(), [&upper](const std::string& keptFolder) {
    return UpperAscii(keptFolder).starts_with(upper);
  });
}

std::string StringData(const platform::RegistryValue& value) {
  return value.Data.substr(0, value.Data.find('\0'));
}

}  // namespace

std::string LedgerNameFolder(std::string_view name, const LeadByteTest& isLead) {
  return IncludeTrailingBackslash(ExtractFilePath(name, isLead), isLead);
}

bool IsInsideInstallRoot(std::string_view folder, std::string_view installRoot,
                         const LeadByteTest& isLead) {
  if (folder.find('/') != std::string_view::npos) return false;
  if (std::count(folder.begin(), folder.end(), ':') > 1) return false;
  if (HasDotSegment(folder)) return false;
  const std::string root = UpperAscii(IncludeTrailingBackslash(installRoot, isLead));
  return UpperAscii(IncludeTrailingBackslash(folder, isLead)).starts_with(root);
}

void DeleteFolderTree(platform::FileSystem& files, const std::string& folder,
                      const LeadByteTest& isLead) {
  const std::string prefix = IncludeTrailingBackslash(folder, isLead);
  const std::string self = ExcludeTrailingBackslash(prefix, isLead);
  const uint32_t selfAttributes = files.Attributes(self);
  const bool selfIsLink = selfAttributes != platform::kInvalidAttributes &&
                          (selfAttributes & platform::kAttrReparsePoint) != 0;
  if (!selfIsLink) {
    if (const auto entries = files.ListFolder(prefix + "*.*")) {
      for (const platform::FolderEntry& entry : *entries) {
        if (entry.Name == "." || entry.Name == "..") continue;
        const std::string path = prefix + entry.Name;
        const bool isFolder = (entry.Attributes & platform::kAttrDirectory) != 0;
        const bool isLink = (entry.Attributes & platform::kAttrReparsePoint) != 0;
        if (isFolder && !isLink) {
          DeleteFolderTree(files, path + "\\", isLead);
        } else if (isFolder) {
          files.RemoveFolder(path);
        } else {
          files.RemoveFile(path);
        }
      }
    }
  }
  files.RemoveFolder(self);
}

void TMainForm::RunUninstall(TApplication& /*sender*/, bool& /*done*/) {
  application_.ClearIdleHook();
  platform::MainWindow& window = Window();
  const LeadByteTest isLead = LeadBytes();

  window.SetStatusText("Unregistering .INFs\x85");
  application_.ProcessMessages();

  std::vector<std::string> folders;
  std::unique_ptr<platform::RegistryKey> ledger =
      services_.Reg.OpenLocalMachine(kInfLedgerPath, kInfLedgerRights, false);
  if (ledger) {
    if (auto names = ledger->ValueNames()) folders = std::move(*names);
  }
  if (!folders.empty() && (!SetupApiLib || !SetupApiLib->HasUninstallOEMInf())) {
    throw EServiceMissing("SetupUninstallOEMInfA");
  }

  const auto count = static_cast<int32_t>(std::min<size_t>(folders.size(), INT32_MAX - 1));
  window.SetProgressMax(count + 1);
  // Folders of records that stay in the ledger because their withdrawal failed.
  std::vector<std::string> kept;
  for (int32_t i = count - 1; i >= 0; --i) {
    window.SetProgressPosition(count - 1 - i);
    application_.ProcessMessages();

    const std::string name = folders[static_cast<size_t>(i)];
    const std::optional<platform::RegistryValue> value = ledger->ReadValue(name);
    if (!value) throw ERegistryError::GetData(name);
    if (value->Type != platform::kRegSz && value->Type != platform::kRegExpandSz) {
      throw ERegistryError::InvalidType(name);
    }
    const std::string publishedName = StringData(*value);
    // An empty record names nothing to withdraw. A copy already gone from the store counts as
    // withdrawn; any other failure keeps the record for a later uninstallation.
    bool withdrawn = publishedName.empty();
    if (!withdrawn) {
      const platform::ServiceResult result =
          SetupApiLib->UninstallOEMInf(publishedName, platform::kSuoiForceDelete);
      withdrawn = result.Succeeded || result.Error == platform::kErrorFileNotFound;
    }
    const std::string folder = LedgerNameFolder(name, isLead);
    if (withdrawn) {
      ledger->DeleteValue(name);
    } else {
      kept.push_back(folder);
    }

    folders[static_cast<size_t>(i)] = folder;
    const auto later = std::find(folders.begin() + i + 1, folders.end(), folder);
    if (later != folders.end()) folders.erase(later);
  }
  ledger.reset();

  window.SetStatusText("Deleting files\x85");
  window.SetProgressPosition(count);
  application_.ProcessMessages();
  for (const std::string& folder : folders) {
    // Only what this program installed is deleted.
    if (!IsInsideInstallRoot(folder, InstallRoot, isLead) || HoldsKeptFolder(folder, kept)) {
      continue;
    }
    DeleteFolderTree(services_.Files, folder, isLead);
  }
  folders.clear();

  const bool complete = kept.empty();
  window.SetStatusText(complete ? "Drivers uninstalled successfully."
                                : "Some drivers could not be uninstalled.");
  window.SetProgressPosition(window.ProgressMax());
  application_.ProcessMessages();
  application_.SetExitCode(complete ? ExitCode::Success : ExitCode::UninstallIncomplete);
  PumpFor(1000);
  Close();
}

}  // namespace tolma
