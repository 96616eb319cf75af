#include "installer/CommandLine.h"

#include <algorithm>

#include "installer/PathParts.h"

namespace tolma {
namespace {

bool IsSeparator(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 1 && byte <= 32;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
  // The system's command line ends at its first NUL.
  commandLine = commandLine.substr(0, std::min(commandLine.find('\0'), commandLine.size()));
  std::vector<std::string> arguments;
  size_t i = 0;
  const size_t end = commandLine.size();
  for (;;) {
    for (;;) {
      while (i < end && IsSeparator(commandLine[i])) ++i;
      if (i + 1 < end && commandLine[i] == '"' && commandLine[i + 1] == '"') {
        i += 2;
      } else {
        break;
      }
    }
    if (i >= end) break;
    std::string argument;
    while (i < end && !IsSeparator(commandLine[i])) {
      if (commandLine[i] == '"') {
        ++i;
        while (i < end && commandLine[i] != '"') argument += commandLine[i++];
        if (i < end) ++i;
      } else {
        argument += commandLine[i++];
      }
    }
    // An argument made only of an empty quoted run ends the list, as an empty one does.
    if (argument.empty()) break;
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

bool IsUninstallRequested(std::string_view commandLine) {
  const std::vector<std::string> arguments = SplitCommandLine(commandLine);
  bool uninstall = false;
  for (size_t i = 1; i < arguments.size(); ++i) {
    if (UpperAscii(arguments[i]) == "/UNINSTALL") uninstall = true;
  }
  return uninstall;
}

}  // namespace tolma
