#include "platform/sim/SimDriverStore.h"

#include <algorithm>
#include <cstring>

namespace tolma::sim {
namespace {

// What calling through a missing entry point is reported as (ERROR_PROC_NOT_FOUND).
constexpr uint32_t kErrorProcNotFound = 127;

bool SameAsciiName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    return upper(x) == upper(y);
  });
}

std::string ReadAll(Stream& stream) {
  std::string bytes(static_cast<size_t>(stream.Size()), '\0');
  stream.SetPosition(0);
  bytes.resize(static_cast<size_t>(stream.Read(bytes.data(), stream.Size())));
  return bytes;
}

}  // namespace

// One binding of the library: the entry points present at bind time, released on destruction.
class SimDriverStore::Module final : public platform::SetupApi {
 public:
  Module(SimDriverStore& store, bool loaded, bool hasCopy, bool hasUninstall)
      : store_(store), loaded_(loaded), hasCopy_(hasCopy), hasUninstall_(hasUninstall) {
    if (loaded_) ++store_.loadedModules_;
  }
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;
  ~Module() override {
    if (loaded_) --store_.loadedModules_;
  }

  [[nodiscard]] bool HasCopyOEMInf() const override { return hasCopy_; }
  [[nodiscard]] bool HasUninstallOEMInf() const override { return hasUninstall_; }

  bool CopyOEMInf(const std::string& source, char* destination, uint32_t destinationSize,
                  uint32_t* requiredSize) override {
    if (!hasCopy_) {
      ++store_.absentEntryCalls_;
      return false;
    }
    return store_.Copy(source, destination, destinationSize, requiredSize);
  }

  platform::ServiceResult UninstallOEMInf(const std::string& infName, uint32_t flags) override {
    if (!hasUninstall_) {
      ++store_.absentEntryCalls_;
      return {false, kErrorProcNotFound};
    }
    return store_.Uninstall(infName, flags);
  }

 private:
  SimDriverStore& store_;
  bool loaded_;
  bool hasCopy_;
  bool hasUninstall_;
};

SimDriverStore::SimDriverStore(SimVolume& volume, const SimThreads& threads)
    : volume_(volume), threads_(threads) {}

std::unique_ptr<platform::SetupApi> SimDriverStore::Bind() {
  const bool loaded = !libraryMissing_;
  return std::make_unique<Module>(*this, loaded, loaded && !copyEntryMissing_,
                                  loaded && !uninstallEntryMissing_);
}

bool SimDriverStore::Holds(const std::string& name) const {
  return std::any_of(published_.begin(), published_.end(),
                     [&](const PublishedInf& inf) { return SameAsciiName(inf.Name, name); });
}

void SimDriverStore::PlantPublished(const std::string& name, std::string content) {
  volume_.AddFile(folder_ + "\\" + name, content);
  published_.push_back({name, {}, std::move(content)});
}

std::string SimDriverStore::FreeName() const {
  for (unsigned n = 0;; ++n) {
    std::string name = "oem" + std::to_string(n) + ".inf";
    if (!Holds(name)) return name;
  }
}

bool SimDriverStore::Copy(const std::string& source, char* destination, uint32_t destinationSize,
                          uint32_t* requiredSize) {
  CopyCall& call = copyCalls_.emplace_back();
  call.Source = source;
  call.DestinationSize = destinationSize;
  call.OnWorker = threads_.InWorker();
  if (source.size() >= 2 && source[1] == ':')
    call.FilesOnVolume = volume_.PathsUnder(source.substr(0, 2));

  auto fail = [&](uint32_t error) {
    // As Wine does, the buffer and the size hold garbage after a failure.
    std::memset(destination, 0xCD, destinationSize);
    if (requiredSize != nullptr) *requiredSize = 0xCDCDCDCD;
    call.Error = error;
    return false;
  };
  if (copyError_) return fail(*copyError_);
  for (const auto& [failing, error] : sourceErrors_) {
    if (SameAsciiName(failing, source)) return fail(error);
  }
  const std::unique_ptr<Stream> file = volume_.OpenForReading(source);
  if (!file) return fail(platform::kErrorFileNotFound);
  std::string content = ReadAll(*file);

  const auto same = std::find_if(published_.begin(), published_.end(),
                                 [&](const PublishedInf& inf) { return inf.Content == content; });
  const std::string name = same != published_.end() ? same->Name : FreeName();
  const std::string path = folder_ + "\\" + name;
  const auto needed = static_cast<uint32_t>(path.size() + 1);
  if (requiredSize != nullptr) *requiredSize = needed;
  if (destinationSize < needed) {
    call.Error = kErrorInsufficientBuffer;
    return false;
  }
  if (same == published_.end()) {
    volume_.AddFile(path, content);
    published_.push_back({name, source, std::move(content)});
  }
  std::memcpy(destination, path.c_str(), needed);
  call.Succeeded = true;
  call.Destination = path;
  return true;
}

platform::ServiceResult SimDriverStore::Uninstall(const std::string& name, uint32_t flags) {
  UninstallCall& call = uninstallCalls_.emplace_back();
  call.Name = name;
  call.Flags = flags;
  call.OnWorker = threads_.InWorker();
  if (uninstallError_) {
    call.Result = {false, *uninstallError_};
  } else if (name.empty() || name.find_first_of("\\/:") != std::string::npos) {
    call.Result = {false, kErrorInvalidName};  // a bare oemN.inf name only
  } else {
    const auto inf =
        std::find_if(published_.begin(), published_.end(),
                     [&](const PublishedInf& entry) { return SameAsciiName(entry.Name, name); });
    if (inf == published_.end()) {
      call.Result = {false, platform::kErrorFileNotFound};
    } else {
      volume_.RemoveFile(folder_ + "\\" + inf->Name);
      published_.erase(inf);
      call.Result = {true, 0};
    }
  }
  return call.Result;
}

}  // namespace tolma::sim
