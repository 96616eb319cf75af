#include "platform/win32/SystemLibrary.h"

#include <string>

namespace tolma::win32 {
namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

// The LOAD_LIBRARY_SEARCH_ flags came with SetDefaultDllDirectories: where it exists, they work.
SetDefaultDllDirectoriesFunction FindSetDefaultDllDirectories() {
  return ExportedFunction<SetDefaultDllDirectoriesFunction>(GetModuleHandleA("kernel32.dll"),
                                                            "SetDefaultDllDirectories");
}

std::string SystemFolder() {
  char buffer[MAX_PATH + 1] = {};
  const UINT length = GetSystemDirectoryA(buffer, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return {};
  return {buffer, length};
}

}  // namespace

void RestrictDllSearchToSystemFolder() {
  if (const auto setDefault = FindSetDefaultDllDirectories()) {
    setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
}

Module LoadSystemLibrary(const char* name) {
  if (FindSetDefaultDllDirectories() != nullptr) {
    return Module(LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  }
  const std::string folder = SystemFolder();
  if (folder.empty()) return Module();
  const std::string path = folder + "\\" + name;
  return Module(LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

}  // namespace tolma::win32
