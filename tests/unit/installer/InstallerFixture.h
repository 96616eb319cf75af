#pragma once

// A simulated machine with an installer on its volume: the program's file holds stub bytes and
// then the archive built from the records a test names, and the marker points at it.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "container/DIFFChunks.h"
#include "installer/EmbeddedArchive.h"
#include "installer/InfLedger.h"
#include "installer/MainUnit.h"
#include "platform/sim/SimMachine.h"

namespace tolma::installer_test {

inline const std::string kInstallRoot = "C:\\Program Files\\TOLMA\\Common Drivers\\";
inline const std::string kLoading = "Loading archive\x85";
inline const std::string kFailedToLoad = "Failed to load archive.";
inline const std::string kCopying = "Copying files\x85";
inline const std::string kRegistering = "All files copied, registering .INFs\x85";
inline const std::string kInstalled = "Drivers installed successfully.";
inline const std::string kUnregistering = "Unregistering .INFs\x85";

using LedgerValues = std::vector<std::pair<std::string, std::string>>;

struct ArchiveFile {
  std::string RelPath;
  std::string Content;
  platform::FileTime Time{0x6A798600, 0x01D082CD};
};

inline std::string FiletimeBytes(platform::FileTime time) {
  return PackLongWord(time.Low) + PackLongWord(time.High);
}

inline std::string ArchiveBytes(const std::vector<ArchiveFile>& files) {
  TDIFFChunk root;
  root.Tag = "FILES";
  for (const ArchiveFile& file : files) {
    auto record = std::make_unique<TDIFFChunk>();
    record->Tag = "1FILE";
    record->AddHeader("RelPath", file.RelPath);
    record->AddHeader("Filetime", FiletimeBytes(file.Time));
    record->AddHeader("Content", file.Content);
    root.AddChunk(std::move(record));
  }
  return root.SaveToString();
}

inline ArchiveMarkerBytes Marker(std::string_view field) {
  const std::string bytes = "zxcv" + std::string(field) + "vbnm";
  ArchiveMarkerBytes marker{};
  std::copy(bytes.begin(), bytes.end(), marker.begin());
  return marker;
}

inline ArchiveMarkerBytes MarkerFor(int32_t offset) {
  return Marker(PackLongWord(static_cast<uint32_t>(offset)));
}

inline const ArchiveMarkerBytes kNoArchiveMarker = Marker("XXXX");

// count records, INFs at the indices infAt and driver files elsewhere; odd ones in a sub-folder.
inline std::vector<ArchiveFile> Package(size_t count, const std::vector<size_t>& infAt) {
  std::vector<ArchiveFile> files;
  for (size_t i = 0; i < count; ++i) {
    const bool inf = std::find(infAt.begin(), infAt.end(), i) != infAt.end();
    const std::string name = "file" + std::to_string(i) + (inf ? ".inf" : ".sys");
    files.push_back({i % 2 == 0 ? name : "Sub\\" + name,
                     "content of " + name,
                     {static_cast<uint32_t>(0x10000 + i), 0x01D9B6F7}});
  }
  return files;
}

class InstallerTest : public testing::Test {
 protected:
  static constexpr const char* kStub = "MZ stub image without payload\r\n";

  // The program's file: stub bytes, then the archive; the marker names its offset.
  void AttachArchive(const std::vector<ArchiveFile>& files) {
    const std::string stub(kStub);
    machine_.Volume.AddFile(machine_.Volume.OwnModulePath(), stub + ArchiveBytes(files));
    marker_ = MarkerFor(static_cast<int32_t>(stub.size()));
  }

  int Run() { return DriverInstall(machine_.Services(), marker_); }

  [[nodiscard]] std::vector<std::string> StatusTexts() const { return machine_.Ui.StatusTexts(); }

  // The ledger's values as name and published name; each must be a REG_SZ with its NUL.
  [[nodiscard]] LedgerValues Ledger() const {
    LedgerValues values;
    for (const auto& [name, value] :
         machine_.Registry.ValuesOf(kInfLedgerPath).value_or(sim::SimRegistry::Values{})) {
      EXPECT_EQ(value.Type, platform::kRegSz) << name;
      EXPECT_TRUE(!value.Data.empty() && value.Data.find('\0') == value.Data.size() - 1) << name;
      values.emplace_back(name, value.Data.substr(0, value.Data.find('\0')));
    }
    return values;
  }

  // Every path the installation left under the install root.
  [[nodiscard]] std::vector<std::string> Installed() const {
    return machine_.Volume.PathsUnder(kInstallRoot);
  }

  void ExpectWritten(const ArchiveFile& file) const {
    const std::string path = kInstallRoot + file.RelPath;
    EXPECT_EQ(machine_.Volume.Content(path), file.Content) << path;
    EXPECT_EQ(machine_.Volume.LastWriteTime(path), file.Time) << path;
  }

  // The window stayed after the error until the simulated user closed it.
  void ExpectErrorReport(const std::string& text) const {
    EXPECT_EQ(machine_.Ui.ErrorBoxes(), std::vector<std::string>{text});
    EXPECT_EQ(machine_.Ui.Title(), kApplicationTitle);
    EXPECT_EQ(machine_.Ui.WaitsForUser(), 1);
    EXPECT_EQ(machine_.Ui.Count(sim::UiEventKind::Close), 1);
    EXPECT_EQ(machine_.Ui.Count(sim::UiEventKind::UserClose), 1);
  }

  // Nothing left open, nothing left running, SetupAPI released.
  void TearDown() override {
    EXPECT_EQ(machine_.Volume.OpenFileCount(), 0);
    EXPECT_EQ(machine_.Registry.OpenKeyCount(), 0);
    EXPECT_EQ(machine_.Threads.LiveWorkers(), 0);
    EXPECT_EQ(machine_.Store.AbsentEntryCalls(), 0);
    if (machine_.Ui.WindowDestroyed()) {
      EXPECT_EQ(machine_.Store.LoadedModules(), 0);
    }
  }

  sim::SimMachine machine_;
  ArchiveMarkerBytes marker_ = kNoArchiveMarker;
};

}  // namespace tolma::installer_test
