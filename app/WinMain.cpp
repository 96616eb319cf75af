// The installer program: the Windows platform objects, the archive marker, and the program.

#include <exception>

#include "installer/EmbeddedArchive.h"
#include "installer/MainUnit.h"
#include "platform/win32/FileSystem.h"
#include "platform/win32/Registry.h"
#include "platform/win32/System.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Threads.h"
#include "platform/win32/Ui.h"
#include "platform/win32/WinApi.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace tolma;
  // Before any DLL is loaded on demand.
  win32::RestrictDllSearchToSystemFolder();
  try {
    win32::FileSystem files;
    win32::Registry registry;
    win32::Threads threads;
    win32::System system;
    win32::Ui ui(instance);
    platform::Services services{files, registry, threads, system, ui};
    return DriverInstall(services, ReadArchiveMarker());
  } catch (const std::exception& error) {
    // The program's own report could not be reached (the windows could not be made).
    MessageBoxA(nullptr, ErrorReportText(error.what()).c_str(), kApplicationTitle,
                MB_ICONERROR | MB_OK);
    return static_cast<int>(ExitCode::ErrorReported);
  }
}
