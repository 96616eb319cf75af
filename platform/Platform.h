#pragma once

// The narrow interfaces through which the installer reaches Windows. platform/win32 implements
// them with the real calls; platform/sim implements them as a simulated machine for tests.
// None of them raises the installer's error messages: they report failure by their results,
// and the installer decides what a failure means.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "container/Stream.h"

namespace tolma::platform {

// ---- Files ----------------------------------------------------------------------------------

// A Windows FILETIME: 100 ns intervals since 1601-01-01 UTC, low half first.
struct FileTime {
  uint32_t Low = 0;
  uint32_t High = 0;
  bool operator==(const FileTime&) const = default;
};

// File attribute bits, with the values Windows gives them.
inline constexpr uint32_t kAttrReadOnly = 0x01;
inline constexpr uint32_t kAttrHidden = 0x02;
inline constexpr uint32_t kAttrSystem = 0x04;
inline constexpr uint32_t kAttrDirectory = 0x10;
inline constexpr uint32_t kAttrArchive = 0x20;
inline constexpr uint32_t kAttrNormal = 0x80;
inline constexpr uint32_t kAttrReparsePoint = 0x400;
inline constexpr uint32_t kInvalidAttributes = 0xFFFFFFFF;

struct FolderEntry {
  std::string Name;
  uint32_t Attributes = 0;
};

// A file opened by FileSystem::CreateOrReplace. Destroying it closes the file.
class WritableFile {
 public:
  WritableFile() = default;
  WritableFile(const WritableFile&) = delete;
  WritableFile& operator=(const WritableFile&) = delete;
  virtual ~WritableFile() = default;

  // One write of all the bytes; returns how many were stored (0 when the write failed).
  virtual uint32_t Write(std::string_view bytes) = 0;
  // Sets the last-write time only; creation and access times stay as the system set them.
  virtual bool SetLastWriteTime(FileTime time) = 0;
};

class FileSystem {
 public:
  FileSystem() = default;
  FileSystem(const FileSystem&) = delete;
  FileSystem& operator=(const FileSystem&) = delete;
  virtual ~FileSystem() = default;

  // The full path of the program's own executable file.
  virtual std::string OwnModulePath() = 0;
  // An existing file opened for reading while others may read and write it; null on failure.
  virtual std::unique_ptr<Stream> OpenForReading(const std::string& path) = 0;
  // Creates the file or truncates an existing one (read and write access, no sharing, normal
  // attributes); null on failure.
  virtual std::unique_ptr<WritableFile> CreateOrReplace(const std::string& path) = 0;
  // One folder whose parent exists; false on failure (it already exists, among others).
  virtual bool MakeFolder(const std::string& path) = 0;
  // kInvalidAttributes when nothing is at the path.
  virtual uint32_t Attributes(const std::string& path) = 0;
  // The entries that match a pattern "folder\*.*", "." and ".." among them where Windows gives
  // them, in enumeration order; nullopt when the enumeration cannot start.
  virtual std::optional<std::vector<FolderEntry>> ListFolder(const std::string& pattern) = 0;
  virtual bool RemoveFile(const std::string& path) = 0;
  // Removes an empty folder (or a directory link itself, never its target).
  virtual bool RemoveFolder(const std::string& path) = 0;
};

// ---- Registry -------------------------------------------------------------------------------

inline constexpr uint32_t kRegNone = 0;
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;

struct RegistryValue {
  uint32_t Type = kRegNone;
  std::string Data;  // the raw bytes, a string's terminating NUL included
};

// An open key. Destroying it closes the key.
class RegistryKey {
 public:
  RegistryKey() = default;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  virtual ~RegistryKey() = default;

  // The value names in enumeration order; nullopt when they cannot be listed.
  virtual std::optional<std::vector<std::string>> ValueNames() = 0;
  // nullopt when there is no such value.
  virtual std::optional<RegistryValue> ReadValue(const std::string& name) = 0;
  // A REG_SZ value stored with its terminating NUL.
  virtual bool WriteString(const std::string& name, const std::string& data) = 0;
  virtual bool DeleteValue(const std::string& name) = 0;
};

class Registry {
 public:
  Registry() = default;
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;
  virtual ~Registry() = default;

  // Opens HKEY_LOCAL_MACHINE\path with the given access rights, in the process's own registry
  // view; with create, a missing key (and missing keys above it) is created. Null on failure.
  virtual std::unique_ptr<RegistryKey> OpenLocalMachine(const std::string& path, uint32_t rights,
                                                        bool create) = 0;
};

// ---- Driver package service (SetupAPI) ------------------------------------------------------

inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kSuoiForceDelete = 1;

struct ServiceResult {
  bool Succeeded = false;
  uint32_t Error = 0;  // the thread's last error after a failure
};

// SetupAPI.dll as bound at start-up. Either entry point may be absent; destroying the object
// releases the module.
class SetupApi {
 public:
  SetupApi() = default;
  SetupApi(const SetupApi&) = delete;
  SetupApi& operator=(const SetupApi&) = delete;
  virtual ~SetupApi() = default;

  [[nodiscard]] virtual bool HasCopyOEMInf() const = 0;
  [[nodiscard]] virtual bool HasUninstallOEMInf() const = 0;
  // SetupCopyOEMInfA(source, NULL, SPOST_PATH, 0, destination, destinationSize, requiredSize,
  // NULL). Only called when the entry point is present.
  virtual bool CopyOEMInf(const std::string& source, char* destination, uint32_t destinationSize,
                          uint32_t* requiredSize) = 0;
  // SetupUninstallOEMInfA(infName, flags, NULL). Only called when the entry point is present.
  virtual ServiceResult UninstallOEMInf(const std::string& infName, uint32_t flags) = 0;
};

// ---- Clock and threads ----------------------------------------------------------------------

inline constexpr uint32_t kWaitObject0 = 0;
inline constexpr uint32_t kWaitTimeout = 0x102;

// A thread created suspended. Destroying the object waits for the thread to end (so nothing
// it uses can vanish under it) and closes its handle.
class Worker {
 public:
  Worker() = default;
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;
  virtual ~Worker() = default;

  virtual void Resume() = 0;
  // A wait on the thread's handle with a zero timeout: kWaitObject0 once it has ended,
  // kWaitTimeout while it runs.
  virtual uint32_t PollEnded() = 0;
};

class Threads {
 public:
  Threads() = default;
  Threads(const Threads&) = delete;
  Threads& operator=(const Threads&) = delete;
  virtual ~Threads() = default;

  // Milliseconds since the system started; wraps around after 2^32.
  virtual uint32_t TickCount() = 0;
  virtual void SleepMilliseconds(uint32_t ms) = 0;
  // A new thread, created suspended with the default stack size and priority, that runs body;
  // null when the thread cannot be created.
  virtual std::unique_ptr<Worker> CreateSuspendedWorker(std::function<void()> body) = 0;
};

// ---- System facts ---------------------------------------------------------------------------

// The message font of the system's non-client metrics.
struct MessageFont {
  int32_t Height = 0;
  std::string FaceName;  // the 32 bytes of lfFaceName as stored
};

class System {
 public:
  System() = default;
  System(const System&) = delete;
  System& operator=(const System&) = delete;
  virtual ~System() = default;

  // The process's command line as GetCommandLineA gives it.
  virtual std::string CommandLine() = 0;
  // SHGetSpecialFolderPathA(no owner, buffer, csidl, FALSE) into a buffer of 261 bytes.
  virtual bool SpecialFolderPath(int csidl, char (&buffer)[261]) = 0;
  // SystemParametersInfoA(SPI_GETNONCLIENTMETRICS) with the 340-byte record; nullopt on failure.
  virtual std::optional<MessageFont> NonClientMessageFont() = 0;
  // Pixels per inch of the screen.
  virtual int32_t ScreenPixelsPerInch() = 0;
  // Whether a byte is a lead byte of a double-byte character in the ANSI code page.
  virtual bool IsLeadByte(unsigned char byte) = 0;
  // Switches WOW64 file-system redirection off for the calling thread, where WOW64 exists.
  virtual void DisableFsRedirection() = 0;
  // Loads SetupAPI.dll from the system folder and looks up its two entry points.
  virtual std::unique_ptr<SetupApi> BindSetupApi() = 0;
};

// ---- Window and message loop ----------------------------------------------------------------

struct WindowFonts {
  std::string FaceName;
  int32_t WindowHeight = 0;  // the window's own font, in pixels (negative: character height)
  int32_t LabelHeight = 0;   // the status line's and the panel's font
};

class MainWindow;

// What the platform tells the form about its window.
class FormEvents {
 public:
  FormEvents() = default;
  FormEvents(const FormEvents&) = delete;
  FormEvents& operator=(const FormEvents&) = delete;
  virtual ~FormEvents() = default;

  // While the window is being created, before it is shown.
  virtual void OnCreate(MainWindow& window) = 0;
  virtual void OnClose() = 0;    // the window is asked to close (close box or Close())
  virtual void OnDestroy() = 0;  // the window is being destroyed
};

// The one window: a status line above a panel with a progress bar.
class MainWindow {
 public:
  MainWindow() = default;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;
  virtual ~MainWindow() = default;

  virtual void SetStatusText(const std::string& text) = 0;
  virtual void SetProgressMax(int32_t max) = 0;
  virtual void SetProgressPosition(int32_t position) = 0;
  [[nodiscard]] virtual int32_t ProgressMax() const = 0;
  virtual void SetFonts(const WindowFonts& fonts) = 0;
  // The window font's height as the window was created (design font scaled to the screen).
  [[nodiscard]] virtual int32_t FontHeight() const = 0;
  // Heights of the status line and of the progress bar, in pixels on this screen.
  [[nodiscard]] virtual int32_t LabelHeight() const = 0;
  [[nodiscard]] virtual int32_t ProgressHeight() const = 0;
  virtual void SetClientHeight(int32_t height) = 0;
  // Closes the window as its close box does: OnClose runs, and the application is told to
  // terminate (a quit message is posted). The window stays until the message loop ends.
  virtual void Close() = 0;
};

class Ui {
 public:
  Ui() = default;
  Ui(const Ui&) = delete;
  Ui& operator=(const Ui&) = delete;
  virtual ~Ui() = default;

  // The title the task bar shows for the application, and the caption of its message boxes.
  virtual void SetApplicationTitle(const std::string& title) = 0;
  // Creates the main window from the layout; events.OnCreate runs before this returns.
  virtual MainWindow& CreateMainWindow(FormEvents& events) = 0;
  // Shows the main window, centred on the screen at its size of that moment.
  virtual void ShowMainWindow() = 0;
  // Destroys the main window (events.OnDestroy runs).
  virtual void DestroyMainWindow() = 0;
  // Takes one waiting message off the main thread's queue: returns false when there is none.
  // A quit message sets quit and is not dispatched; any other is dispatched.
  virtual bool DispatchOneMessage(bool& quit) = 0;
  // Blocks until a message arrives.
  virtual void WaitForMessage() = 0;
  // A modal error box owned by the application, with the error icon and one OK button.
  virtual void ShowErrorBox(const std::string& text) = 0;
};

// Everything the installer reaches of the system.
struct Services {
  FileSystem& Files;
  Registry& Reg;
  Threads& Thread;
  System& Sys;
  Ui& Gui;
};

}  // namespace tolma::platform
