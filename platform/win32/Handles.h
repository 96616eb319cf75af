#pragma once

// Move-only owners of Windows handles: each closes its handle the way its kind needs.

#include <utility>

#include "platform/win32/WinApi.h"

namespace tolma::win32 {

template <typename Traits>
class UniqueHandle {
 public:
  using Value = typename Traits::Value;

  UniqueHandle() = default;
  explicit UniqueHandle(Value value) : value_(value) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : value_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ~UniqueHandle() { Reset(); }

  [[nodiscard]] Value Get() const { return value_; }
  [[nodiscard]] bool Valid() const { return Traits::IsValid(value_); }
  explicit operator bool() const { return Valid(); }

  Value Release() { return std::exchange(value_, Traits::Invalid()); }
  void Reset(Value value = Traits::Invalid()) {
    const Value old = std::exchange(value_, value);
    if (Traits::IsValid(old)) Traits::Close(old);
  }

 private:
  Value value_ = Traits::Invalid();
};

// Kernel objects (files, threads). CreateFileA fails with INVALID_HANDLE_VALUE, CreateThread
// with NULL: neither is a handle to close.
struct KernelHandleTraits {
  using Value = HANDLE;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Value h) { CloseHandle(h); }
};

struct FindHandleTraits {
  using Value = HANDLE;
  static Value Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Value h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Value h) { FindClose(h); }
};

struct RegistryKeyTraits {
  using Value = HKEY;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value h) { return h != nullptr; }
  static void Close(Value h) { RegCloseKey(h); }
};

struct ModuleTraits {
  using Value = HMODULE;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value h) { return h != nullptr; }
  static void Close(Value h) { FreeLibrary(h); }
};

struct FontTraits {
  using Value = HFONT;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value h) { return h != nullptr; }
  static void Close(Value h) { DeleteObject(h); }
};

struct WindowTraits {
  using Value = HWND;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value h) { return h != nullptr; }
  static void Close(Value h) { DestroyWindow(h); }
};

using KernelHandle = UniqueHandle<KernelHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using RegistryKeyHandle = UniqueHandle<RegistryKeyTraits>;
using Module = UniqueHandle<ModuleTraits>;
using Font = UniqueHandle<FontTraits>;
using Window = UniqueHandle<WindowTraits>;

}  // namespace tolma::win32
