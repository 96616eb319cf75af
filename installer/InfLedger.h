#pragma once

#include <cstdint>

namespace tolma {

// The registry ledger of published INF files: one REG_SZ value per source INF path, whose data
// is the name of its published copy in the driver store.
inline constexpr const char* kInfLedgerPath = "Software\\TOLMA\\INF";
// All rights on the key (KEY_ALL_ACCESS), no registry-view flag: a 32-bit process thus uses
// the 32-bit view on 64-bit Windows, for installation and uninstallation alike.
inline constexpr uint32_t kInfLedgerRights = 0xF003F;

}  // namespace tolma
