#include "tools/driverpack/CommandLine.h"

#include <algorithm>
#include <map>

#include "tools/driverpack/ToolError.h"

namespace tolma::driverpack {

const char* const kHelpText =
    "Usage: driverpack build --stub DriverInstall.exe --output Setup.exe [--force] [--verbose] "
    "FOLDER\n"
    "       driverpack list Setup.exe\n"
    "       driverpack verify Setup.exe\n"
    "       driverpack extract [--force] [--verbose] Setup.exe FOLDER\n"
    "       driverpack --help | --version\n"
    "\n"
    "Packs a folder of driver files into a self-installing DriverInstall executable, and lists,\n"
    "verifies and extracts such installers.\n"
    "\n"
    "  build     append an archive of every file under FOLDER to a copy of the stub and write\n"
    "            its offset into the stub's marker; sign the output afterwards, not the stub\n"
    "  list      show the files an installer carries: size, last-write time (UTC), path\n"
    "  verify    check that the installer would install every file it carries\n"
    "  extract   write the files an installer carries, with their times, below FOLDER\n"
    "\n"
    "  --stub FILE     the unpacked DriverInstall.exe to copy\n"
    "  --output FILE   the installer to write (never half-written: it appears when complete)\n"
    "  --force         replace an existing output, or existing files when extracting\n"
    "  --verbose       print one line per file\n"
    "  --help          print this help and exit\n"
    "  --version       print the version and exit\n"
    "\n"
    "Exit status: 0 success, 1 bad input (refused or failed), 2 bad usage.\n";

namespace {

struct CommandShape {
  Action Command;
  size_t Operands;
  bool TakesStubAndOutput;
  bool TakesForceAndVerbose;
  const char* OperandNames;
};

const std::map<std::string, CommandShape>& Commands() {
  static const std::map<std::string, CommandShape> commands = {
      {"build", {Action::Build, 1, true, true, "FOLDER"}},
      {"list", {Action::List, 1, false, false, "Setup.exe"}},
      {"verify", {Action::Verify, 1, false, false, "Setup.exe"}},
      {"extract", {Action::Extract, 2, false, true, "Setup.exe FOLDER"}},
  };
  return commands;
}

}  // namespace

Invocation ParseCommandLine(const std::vector<std::string>& args) {
  Invocation invocation;
  std::string command;
  bool stubGiven = false;
  bool outputGiven = false;
  bool optionsEnded = false;
  std::vector<std::string> flags;  // the options given, to check them against the command

  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      if (command.empty()) {
        command = arg;
      } else {
        invocation.Operands.push_back(arg);
      }
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") return Invocation{Action::Help, {}, {}, false, false, {}};
    if (arg == "--version") return Invocation{Action::Version, {}, {}, false, false, {}};

    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    if (name == "--stub" || name == "--output") {
      std::string value;
      if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        throw UsageError(name + " needs a file name");
      }
      if (value.empty()) throw UsageError(name + " needs a file name");
      bool& given = name == "--stub" ? stubGiven : outputGiven;
      if (given) throw UsageError(name + " is given twice");
      given = true;
      (name == "--stub" ? invocation.Stub : invocation.Output) = value;
    } else if (arg == "--force" || arg == "-f") {
      invocation.Force = true;
    } else if (arg == "--verbose" || arg == "-v") {
      invocation.Verbose = true;
    } else {
      throw UsageError("unknown option " + arg);
    }
    flags.push_back(name);
  }

  if (command.empty()) throw UsageError("no command given");
  const auto found = Commands().find(command);
  if (found == Commands().end()) throw UsageError("unknown command " + command);
  const CommandShape& shape = found->second;
  invocation.Command = shape.Command;
  const auto misplaced =
      std::find_if(flags.begin(), flags.end(), [&shape](const std::string& flag) {
        const bool stubOrOutput = flag == "--stub" || flag == "--output";
        return stubOrOutput ? !shape.TakesStubAndOutput : !shape.TakesForceAndVerbose;
      });
  if (misplaced != flags.end()) throw UsageError(command + " takes no option " + *misplaced);
  if (shape.TakesStubAndOutput && (!stubGiven || !outputGiven)) {
    throw UsageError(command + " needs --stub and --output");
  }
  if (invocation.Operands.size() != shape.Operands) {
    throw UsageError(command + " takes " + shape.OperandNames);
  }
  return invocation;
}

}  // namespace tolma::driverpack
