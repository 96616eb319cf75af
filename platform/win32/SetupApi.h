#pragma once

// SetupAPI.dll bound at run time: its two driver-store entry points, each possibly absent.

#include "platform/Platform.h"
#include "platform/win32/Handles.h"

namespace tolma::win32 {

class SetupApi final : public platform::SetupApi {
 public:
  // Looks the entry points up in module, which may be empty (the DLL could not be loaded).
  explicit SetupApi(Module module);

  [[nodiscard]] bool HasCopyOEMInf() const override { return copyOEMInf_ != nullptr; }
  [[nodiscard]] bool HasUninstallOEMInf() const override { return uninstallOEMInf_ != nullptr; }
  bool CopyOEMInf(const std::string& source, char* destination, uint32_t destinationSize,
                  uint32_t* requiredSize) override;
  platform::ServiceResult UninstallOEMInf(const std::string& infName, uint32_t flags) override;

 private:
  using CopyOEMInfFunction = BOOL(WINAPI*)(PCSTR, PCSTR, DWORD, DWORD, PSTR, DWORD, PDWORD, PSTR*);
  using UninstallOEMInfFunction = BOOL(WINAPI*)(PCSTR, DWORD, PVOID);

  Module module_;
  CopyOEMInfFunction copyOEMInf_ = nullptr;
  UninstallOEMInfFunction uninstallOEMInf_ = nullptr;
};

}  // namespace tolma::win32
