#include "platform/win32/Registry.h"

#include <limits>

#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

namespace tolma::win32 {
namespace {

// Value names are at most 16383 characters.
constexpr DWORD kLongestValueName = 16384;

class Key final : public platform::RegistryKey {
 public:
  explicit Key(RegistryKeyHandle key) : key_(std::move(key)) {}

  std::optional<std::vector<std::string>> ValueNames() override {
    DWORD count = 0;
    DWORD longestName = 0;
    if (RegQueryInfoKeyA(key_.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         &longestName, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    std::vector<std::string> names;
    names.reserve(count);
    std::string buffer(longestName + 1, '\0');
    for (DWORD index = 0;;) {
      DWORD length = static_cast<DWORD>(buffer.size());
      const LONG result = RegEnumValueA(key_.Get(), index, buffer.data(), &length, nullptr, nullptr,
                                        nullptr, nullptr);
      if (result == ERROR_NO_MORE_ITEMS) return names;
      if (result == ERROR_MORE_DATA && buffer.size() < kLongestValueName) {
        // A longer name was added after the key was measured.
        buffer.resize(kLongestValueName);
        continue;
      }
      if (result != ERROR_SUCCESS) return std::nullopt;
      names.emplace_back(buffer.data(), length);
      ++index;
    }
  }

  std::optional<platform::RegistryValue> ReadValue(const std::string& name) override {
    if (!PassesWhole(name)) return std::nullopt;
    DWORD type = REG_NONE;
    DWORD size = 0;
    LONG result = RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &type, nullptr, &size);
    std::string data;
    while (result == ERROR_SUCCESS && size > 0) {
      data.resize(size);
      result = RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &type,
                                reinterpret_cast<BYTE*>(data.data()), &size);
      if (result == ERROR_SUCCESS) {
        // The first size may be an upper bound (ANSI from a stored Unicode string).
        data.resize(size);
        break;
      }
      // The value grew between the two calls: size holds its new length.
      if (result == ERROR_MORE_DATA) result = ERROR_SUCCESS;
    }
    if (result != ERROR_SUCCESS) return std::nullopt;
    return platform::RegistryValue{static_cast<uint32_t>(type), std::move(data)};
  }

  bool WriteString(const std::string& name, const std::string& data) override {
    if (!PassesWhole(name) || data.size() >= std::numeric_limits<DWORD>::max()) return false;
    return RegSetValueExA(key_.Get(), name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>(data.size()) + 1) == ERROR_SUCCESS;
  }

  bool DeleteValue(const std::string& name) override {
    return PassesWhole(name) && RegDeleteValueA(key_.Get(), name.c_str()) == ERROR_SUCCESS;
  }

 private:
  RegistryKeyHandle key_;
};

}  // namespace

std::unique_ptr<platform::RegistryKey> Registry::OpenLocalMachine(const std::string& path,
                                                                  uint32_t rights, bool create) {
  if (!PassesWhole(path)) return nullptr;
  HKEY opened = nullptr;
  const LONG result =
      create ? RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr,
                               REG_OPTION_NON_VOLATILE, rights, nullptr, &opened, nullptr)
             : RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, rights, &opened);
  RegistryKeyHandle key(result == ERROR_SUCCESS ? opened : nullptr);
  if (!key) return nullptr;
  return std::make_unique<Key>(std::move(key));
}

}  // namespace tolma::win32
