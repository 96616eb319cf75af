#pragma once

// A simulated machine on which DriverInstall was installed: files under the install root,
// published copies in the driver store and their ledger values, ready for "/UNINSTALL".

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/InfLedger.h"
#include "installer/MainUnit.h"
#include "platform/sim/SimMachine.h"

namespace tolma::test {

inline const std::string kRoot = "C:\\Program Files\\TOLMA\\Common Drivers\\";
inline const std::string kLedger = std::string("Software\\TOLMA\\INF");

class UninstallTest : public ::testing::Test {
 protected:
  UninstallTest() {
    machine.System.SetCommandLine("\"C:\\Users\\Public\\Downloads\\Setup.exe\" /UNINSTALL");
  }

  // An installed INF: its file under the install root, its published copy and its record.
  void Installed(const std::string& relPath, const std::string& publishedName) {
    machine.Volume.AddFile(kRoot + relPath, "[Version]\r\n; " + relPath + "\r\n");
    machine.Store.PlantPublished(publishedName, "[Version]\r\n; " + relPath + "\r\n");
    machine.Registry.PlantString(kLedger, kRoot + relPath, publishedName);
  }

  int Run() { return DriverInstall(machine.Services(), ArchiveMarkerBytes{}); }

  [[nodiscard]] std::vector<std::string> WithdrawnNames() const {
    std::vector<std::string> names;
    for (const auto& call : machine.Store.UninstallCalls()) names.push_back(call.Name);
    return names;
  }

  [[nodiscard]] std::vector<std::string> LedgerNames() const {
    std::vector<std::string> names;
    if (const auto values = machine.Registry.ValuesOf(kLedger)) {
      for (const auto& [name, value] : *values) names.push_back(name);
    }
    return names;
  }

  sim::SimMachine machine;
};

}  // namespace tolma::test
