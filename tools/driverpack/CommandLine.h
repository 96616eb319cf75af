#pragma once

// driverpack's command line: a subcommand, its options and its operands.

#include <string>
#include <vector>

namespace tolma::driverpack {

enum class Action { Help, Version, Build, List, Verify, Extract };

struct Invocation {
  Action Command = Action::Help;
  std::string Stub;
  std::string Output;
  bool Force = false;
  bool Verbose = false;
  std::vector<std::string> Operands;
};

// The arguments after the program name. Raises UsageError for anything it cannot make sense
// of: a missing subcommand, an unknown or misplaced option, too many or too few operands.
Invocation ParseCommandLine(const std::vector<std::string>& args);

extern const char* const kHelpText;

}  // namespace tolma::driverpack
