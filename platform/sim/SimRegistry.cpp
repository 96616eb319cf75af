#include "platform/sim/SimRegistry.h"

#include <algorithm>
#include <stdexcept>

namespace tolma::sim {
namespace {

std::string Folded(std::string_view text) {
  std::string folded(text);
  for (auto& c : folded) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return folded;
}

std::vector<std::string> KeyNames(std::string_view path) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= path.size()) {
    const size_t end = std::min(path.find('\\', start), path.size());
    if (end > start) names.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

// One spelling per key path, for comparisons.
std::string FoldedPath(std::string_view path) {
  std::string folded;
  for (const auto& name : KeyNames(path)) folded += Folded(name) + '\\';
  return folded;
}

}  // namespace

struct SimRegistry::Key {
  std::string Name;
  Values Entries;
  std::vector<std::unique_ptr<Key>> Subkeys;
  std::vector<std::string> VanishingValues;  // folded names

  auto FindValue(std::string_view name) {
    return std::find_if(Entries.begin(), Entries.end(), [folded = Folded(name)](const auto& entry) {
      return Folded(entry.first) == folded;
    });
  }
  [[nodiscard]] Key* FindSubkey(std::string_view name) const {
    for (const auto& subkey : Subkeys) {
      if (Folded(subkey->Name) == Folded(name)) return subkey.get();
    }
    return nullptr;
  }
};

// An open key: what it may do depends on the rights it was opened with.
class SimRegistry::OpenKey final : public platform::RegistryKey {
 public:
  OpenKey(SimRegistry& registry, Key& key, uint32_t rights)
      : registry_(registry), key_(key), rights_(rights) {
    ++registry_.openKeys_;
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  ~OpenKey() override { --registry_.openKeys_; }

  std::optional<std::vector<std::string>> ValueNames() override {
    if ((rights_ & kKeyQueryValue) == 0 || registry_.refuseListing_) return std::nullopt;
    std::vector<std::string> names;
    for (const auto& entry : key_.Entries) names.push_back(entry.first);
    return names;
  }

  std::optional<platform::RegistryValue> ReadValue(const std::string& name) override {
    if ((rights_ & kKeyQueryValue) == 0) return std::nullopt;
    auto& vanishing = key_.VanishingValues;
    const auto planned = std::find(vanishing.begin(), vanishing.end(), Folded(name));
    if (planned != vanishing.end()) {
      vanishing.erase(planned);
      const auto value = key_.FindValue(name);
      if (value != key_.Entries.end()) key_.Entries.erase(value);
      return std::nullopt;
    }
    const auto value = key_.FindValue(name);
    if (value == key_.Entries.end()) return std::nullopt;
    return value->second;
  }

  bool WriteString(const std::string& name, const std::string& data) override {
    auto& allowed = registry_.writesAllowed_;
    if ((rights_ & kKeySetValue) == 0 || (allowed && *allowed <= 0)) return false;
    if (allowed) --*allowed;
    platform::RegistryValue value{platform::kRegSz, data + '\0'};
    const auto existing = key_.FindValue(name);
    if (existing != key_.Entries.end()) {
      existing->second = std::move(value);
    } else {
      key_.Entries.emplace_back(name, std::move(value));
    }
    return true;
  }

  bool DeleteValue(const std::string& name) override {
    if ((rights_ & kKeySetValue) == 0 || registry_.refuseDeletes_) return false;
    const auto existing = key_.FindValue(name);
    if (existing == key_.Entries.end()) return false;
    key_.Entries.erase(existing);
    return true;
  }

 private:
  SimRegistry& registry_;
  Key& key_;
  uint32_t rights_;
};

SimRegistry::SimRegistry() : root_(std::make_unique<Key>()) {}

SimRegistry::~SimRegistry() = default;

SimRegistry::Key* SimRegistry::Find(std::string_view path) const {
  Key* key = root_.get();
  for (const auto& name : KeyNames(path)) {
    key = key->FindSubkey(name);
    if (key == nullptr) return nullptr;
  }
  return key;
}

SimRegistry::Key& SimRegistry::Force(std::string_view path) {
  Key* key = root_.get();
  for (const auto& name : KeyNames(path)) {
    Key* subkey = key->FindSubkey(name);
    if (subkey == nullptr) {
      key->Subkeys.push_back(std::make_unique<Key>());
      subkey = key->Subkeys.back().get();
      subkey->Name = name;
    }
    key = subkey;
  }
  return *key;
}

std::unique_ptr<platform::RegistryKey> SimRegistry::OpenLocalMachine(const std::string& path,
                                                                     uint32_t rights, bool create) {
  OpenCall& call = openCalls_.emplace_back(OpenCall{path, rights, create, false});
  if (std::find(deniedKeys_.begin(), deniedKeys_.end(), FoldedPath(path)) != deniedKeys_.end()) {
    return nullptr;
  }
  Key* key = create ? &Force(path) : Find(path);
  if (key == nullptr) return nullptr;
  call.Opened = true;
  return std::make_unique<OpenKey>(*this, *key, rights);
}

void SimRegistry::AddKey(const std::string& path) { Force(path); }

void SimRegistry::PlantValue(const std::string& path, const std::string& name,
                             platform::RegistryValue value) {
  Key& key = Force(path);
  const auto existing = key.FindValue(name);
  if (existing != key.Entries.end()) {
    existing->second = std::move(value);
  } else {
    key.Entries.emplace_back(name, std::move(value));
  }
}

void SimRegistry::PlantString(const std::string& path, const std::string& name,
                              const std::string& data) {
  PlantValue(path, name, {platform::kRegSz, data + '\0'});
}

bool SimRegistry::KeyExists(const std::string& path) const { return Find(path) != nullptr; }

std::optional<SimRegistry::Values> SimRegistry::ValuesOf(const std::string& path) const {
  const Key* key = Find(path);
  if (key == nullptr) return std::nullopt;
  return key->Entries;
}

std::optional<platform::RegistryValue> SimRegistry::ValueOf(const std::string& path,
                                                            const std::string& name) const {
  Key* key = Find(path);
  if (key == nullptr) return std::nullopt;
  const auto value = key->FindValue(name);
  if (value == key->Entries.end()) return std::nullopt;
  return value->second;
}

void SimRegistry::DenyKey(const std::string& path) { deniedKeys_.push_back(FoldedPath(path)); }

void SimRegistry::VanishOnFirstRead(const std::string& path, const std::string& name) {
  Key* key = Find(path);
  if (key == nullptr || key->FindValue(name) == key->Entries.end()) {
    throw std::invalid_argument("no value " + name + " in " + path);
  }
  key->VanishingValues.push_back(Folded(name));
}

}  // namespace tolma::sim
