#pragma once

// HKEY_LOCAL_MACHINE as a tree of keys whose names compare without regard to ASCII case.
// Values keep their creation order, type and raw bytes. A key handle honours the rights it was
// opened with, as Windows does.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Platform.h"

namespace tolma::sim {

inline constexpr uint32_t kKeyQueryValue = 0x0001;
inline constexpr uint32_t kKeySetValue = 0x0002;

class SimRegistry final : public platform::Registry {
 public:
  using Values = std::vector<std::pair<std::string, platform::RegistryValue>>;

  SimRegistry();
  ~SimRegistry() override;

  std::unique_ptr<platform::RegistryKey> OpenLocalMachine(const std::string& path, uint32_t rights,
                                                          bool create) override;

  // ---- Set-up and inspection for tests (no fault switch applies). ----
  void AddKey(const std::string& path);
  // A value of any type and data; the key is created when missing.
  void PlantValue(const std::string& path, const std::string& name, platform::RegistryValue value);
  void PlantString(const std::string& path, const std::string& name, const std::string& data);
  [[nodiscard]] bool KeyExists(const std::string& path) const;
  // The values of a key in enumeration order; nullopt when the key is missing.
  [[nodiscard]] std::optional<Values> ValuesOf(const std::string& path) const;
  [[nodiscard]] std::optional<platform::RegistryValue> ValueOf(const std::string& path,
                                                               const std::string& name) const;
  // Every OpenLocalMachine call, with its rights and whether it asked to create.
  struct OpenCall {
    std::string Path;
    uint32_t Rights = 0;
    bool Create = false;
    bool Opened = false;
  };
  [[nodiscard]] const std::vector<OpenCall>& OpenCalls() const { return openCalls_; }
  [[nodiscard]] int OpenKeyCount() const { return openKeys_; }

  // ---- Fault switches. ----
  // Every WriteString fails (as for a key on a read-only hive).
  void RefuseWrites(bool refuse) { writesAllowed_ = refuse ? std::optional<int>(0) : std::nullopt; }
  // WriteString succeeds this many more times, then fails.
  void RefuseWritesAfter(int allowed) { writesAllowed_ = allowed; }
  // Every DeleteValue fails.
  void RefuseDeletes(bool refuse) { refuseDeletes_ = refuse; }
  // Listing the values of any key fails.
  void RefuseListing(bool refuse) { refuseListing_ = refuse; }
  // The key cannot be opened (access denied), whether or not it exists, nor created.
  void DenyKey(const std::string& path);
  // The value is deleted by someone else just before its first ReadValue.
  void VanishOnFirstRead(const std::string& path, const std::string& name);

 private:
  struct Key;
  class OpenKey;

  [[nodiscard]] Key* Find(std::string_view path) const;
  Key& Force(std::string_view path);

  std::unique_ptr<Key> root_;
  std::vector<OpenCall> openCalls_;
  std::vector<std::string> deniedKeys_;
  int openKeys_ = 0;
  std::optional<int> writesAllowed_;
  bool refuseDeletes_ = false;
  bool refuseListing_ = false;
};

}  // namespace tolma::sim
