#pragma once

// The driver store behind SetupAPI: published INF copies named oemN.inf in the store folder of
// the volume, the same name again for an INF whose content is already published, and a record
// of every call. Bind() gives the view of SetupAPI.dll that a process binds, with the fault
// switches of that moment.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Platform.h"
#include "platform/sim/SimThreads.h"
#include "platform/sim/SimVolume.h"

namespace tolma::sim {

inline constexpr uint32_t kErrorAccessDenied = 5;
inline constexpr uint32_t kErrorInsufficientBuffer = 122;
inline constexpr uint32_t kErrorInvalidName = 123;

class SimDriverStore {
 public:
  SimDriverStore(SimVolume& volume, const SimThreads& threads);

  // SetupAPI.dll as LoadLibrary and GetProcAddress would give it now.
  std::unique_ptr<platform::SetupApi> Bind();

  struct PublishedInf {
    std::string Name;  // "oemN.inf"
    std::string Source;
    std::string Content;
  };
  [[nodiscard]] const std::vector<PublishedInf>& Published() const { return published_; }
  [[nodiscard]] bool Holds(const std::string& name) const;
  // A copy published earlier, for tests that start from an installed machine.
  void PlantPublished(const std::string& name, std::string content);

  struct CopyCall {
    std::string Source;
    uint32_t DestinationSize = 0;
    bool Succeeded = false;
    uint32_t Error = 0;
    std::string Destination;  // the full path reported on success
    bool OnWorker = false;
    std::vector<std::string> FilesOnVolume;  // every path of the source's drive at the call
  };
  struct UninstallCall {
    std::string Name;
    uint32_t Flags = 0;
    platform::ServiceResult Result;
    bool OnWorker = false;
  };
  [[nodiscard]] const std::vector<CopyCall>& CopyCalls() const { return copyCalls_; }
  [[nodiscard]] const std::vector<UninstallCall>& UninstallCalls() const { return uninstallCalls_; }
  // Calls through an entry point that the binding reported absent (a crash on Windows).
  [[nodiscard]] int AbsentEntryCalls() const { return absentEntryCalls_; }
  // Bindings not yet released.
  [[nodiscard]] int LoadedModules() const { return loadedModules_; }

  // ---- Fault switches, read when a process binds. ----
  void SetLibraryMissing(bool missing) { libraryMissing_ = missing; }
  void SetCopyEntryMissing(bool missing) { copyEntryMissing_ = missing; }
  void SetUninstallEntryMissing(bool missing) { uninstallEntryMissing_ = missing; }
  // ---- Fault switches, read at each call. ----
  // Every publication fails with this error.
  void FailCopies(std::optional<uint32_t> error) { copyError_ = error; }
  // Publications of this one source fail with this error.
  void FailCopyOf(const std::string& source, uint32_t error) {
    sourceErrors_.emplace_back(source, error);
  }
  // Every withdrawal fails with this error.
  void FailUninstalls(std::optional<uint32_t> error) { uninstallError_ = error; }

 private:
  class Module;

  bool Copy(const std::string& source, char* destination, uint32_t destinationSize,
            uint32_t* requiredSize);
  platform::ServiceResult Uninstall(const std::string& name, uint32_t flags);
  [[nodiscard]] std::string FreeName() const;

  SimVolume& volume_;
  const SimThreads& threads_;
  const std::string folder_ = "C:\\Windows\\INF";
  std::vector<PublishedInf> published_;
  std::vector<CopyCall> copyCalls_;
  std::vector<UninstallCall> uninstallCalls_;
  int absentEntryCalls_ = 0;
  int loadedModules_ = 0;
  bool libraryMissing_ = false;
  bool copyEntryMissing_ = false;
  bool uninstallEntryMissing_ = false;
  std::optional<uint32_t> copyError_;
  std::vector<std::pair<std::string, uint32_t>> sourceErrors_;
  std::optional<uint32_t> uninstallError_;
};

}  // namespace tolma::sim
