#pragma once

// A work folder with a stub, a driver folder and an output folder, for tests that run the
// built driverpack.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "TestStub.h"
#include "ToolRunner.h"
#include "container/DIFFChunks.h"

namespace tolma::testing_driverpack {

class ToolTest : public testing::Test {
 public:
  TempFolder work;
  const std::string stub = work / "DriverInstall.exe";
  const std::string drivers = work / "drivers";
  const std::string outFolder = work / "out";
  const std::string output = work / "out/Setup.exe";

 protected:
  void SetUp() override {
    WriteFile(stub, MakeStub());
    std::filesystem::create_directories(drivers);
    std::filesystem::create_directories(outFolder);
  }

  // A file below the driver folder with a modification time.
  void AddDriverFile(const std::string& relPath, const std::string& content,
                     int64_t seconds = 1430347196, long nanoseconds = 0) const {
    const std::filesystem::path path = std::filesystem::path(drivers) / relPath;
    WriteFile(path, content);
    SetModificationTime(path, seconds, nanoseconds);
  }

  [[nodiscard]] ToolResult Build(std::vector<std::string> extra = {}) const {
    std::vector<std::string> args = {"build", "--stub", stub, "--output", output};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(drivers);
    return RunDriverpack(args);
  }
};

// A copy of the test stub with this archive attached and its offset in the marker.
inline std::string PackedInstaller(const TDIFFChunk& root) {
  std::string file = MakeStub({1, PackLongWord(static_cast<uint32_t>(kStubSize)), ""});
  return file + root.SaveToString();
}

}  // namespace tolma::testing_driverpack
