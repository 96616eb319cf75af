#pragma once

// Loading system DLLs from the system folder only, so that a DLL planted beside the installer
// (in a downloads folder, say) is never picked up in place of the real one.

#include "platform/win32/Handles.h"

namespace tolma::win32 {

// Makes the system folder the only place the process loads DLLs from, where the system
// supports it (SetDefaultDllDirectories appeared with an update to Windows 7). Call at start.
void RestrictDllSearchToSystemFolder();

// The named DLL from the system folder; an empty module when it cannot be loaded.
Module LoadSystemLibrary(const char* name);

// A function that a module exports, cast to its type; null when it is missing.
template <typename Function>
Function ExportedFunction(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  // The detour through a function type without parameters is the cast GCC accepts silently.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace tolma::win32
