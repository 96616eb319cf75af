#pragma once

// Keys under HKEY_LOCAL_MACHINE over the ANSI registry functions, in the process's own view.

#include "platform/Platform.h"

namespace tolma::win32 {

class Registry final : public platform::Registry {
 public:
  std::unique_ptr<platform::RegistryKey> OpenLocalMachine(const std::string& path, uint32_t rights,
                                                          bool create) override;
};

}  // namespace tolma::win32
