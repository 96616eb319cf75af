#include "platform/win32/SetupApi.h"

#include <setupapi.h>

#include <type_traits>

#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Text.h"

namespace tolma::win32 {

// Our pointer types must match the declarations the system header gives.
static_assert(
    std::is_same_v<decltype(&::SetupCopyOEMInfA),
                   BOOL(WINAPI*)(PCSTR, PCSTR, DWORD, DWORD, PSTR, DWORD, PDWORD, PSTR*)>);
static_assert(
    std::is_same_v<decltype(&::SetupUninstallOEMInfA), BOOL(WINAPI*)(PCSTR, DWORD, PVOID)>);

SetupApi::SetupApi(Module module)
    : module_(std::move(module)),
      copyOEMInf_(ExportedFunction<CopyOEMInfFunction>(module_.Get(), "SetupCopyOEMInfA")),
      uninstallOEMInf_(
          ExportedFunction<UninstallOEMInfFunction>(module_.Get(), "SetupUninstallOEMInfA")) {}

bool SetupApi::CopyOEMInf(const std::string& source, char* destination, uint32_t destinationSize,
                          uint32_t* requiredSize) {
  if (copyOEMInf_ == nullptr || !PassesWhole(source)) return false;
  DWORD required = *requiredSize;
  if (!copyOEMInf_(source.c_str(), nullptr, SPOST_PATH, 0, destination, destinationSize, &required,
                   nullptr)) {
    return false;
  }
  *requiredSize = required;
  return true;
}

platform::ServiceResult SetupApi::UninstallOEMInf(const std::string& infName, uint32_t flags) {
  if (uninstallOEMInf_ == nullptr) return {false, ERROR_PROC_NOT_FOUND};
  if (!PassesWhole(infName)) return {false, ERROR_INVALID_NAME};
  if (uninstallOEMInf_(infName.c_str(), flags, nullptr)) return {true, 0};
  return {false, static_cast<uint32_t>(GetLastError())};
}

}  // namespace tolma::win32
