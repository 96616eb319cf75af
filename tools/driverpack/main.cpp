// driverpack: packs driver folders into DriverInstall installers and lists, verifies and
// extracts them.

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "tools/driverpack/CommandLine.h"
#include "tools/driverpack/Commands.h"
#include "tools/driverpack/ToolError.h"

namespace tolma::driverpack {
namespace {

constexpr int kBadInput = 1;
constexpr int kBadUsage = 2;

int Run(const Invocation& invocation) {
  const std::vector<std::string>& operands = invocation.Operands;
  switch (invocation.Command) {
    case Action::Help:
      std::cout << kHelpText;
      return 0;
    case Action::Version:
      std::cout << "driverpack " << DRIVERPACK_VERSION << "\n";
      return 0;
    case Action::Build:
      return RunBuild(
          {invocation.Stub, invocation.Output, operands[0], invocation.Force, invocation.Verbose},
          std::cout, std::cerr);
    case Action::List:
      return RunList(operands[0], std::cout);
    case Action::Verify:
      return RunVerify(operands[0], std::cout, std::cerr);
    case Action::Extract:
      return RunExtract({operands[0], operands[1], invocation.Force, invocation.Verbose}, std::cout,
                        std::cerr);
  }
  return kBadUsage;
}

}  // namespace
}  // namespace tolma::driverpack

int main(int argc, char** argv) {
  using namespace tolma::driverpack;
  try {
    const Invocation invocation = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    return Run(invocation);
  } catch (const UsageError& error) {
    std::cerr << kToolPrefix << error.what() << "\n"
              << "Try 'driverpack --help' for more information.\n";
    return kBadUsage;
  } catch (const std::exception& error) {
    std::cerr << kToolPrefix << error.what() << "\n";
    return kBadInput;
  }
}
