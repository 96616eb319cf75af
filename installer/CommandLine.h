#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tolma {

// Splits a command line as GetCommandLineA gives it into its arguments, the program's own
// path (argument 0) first. Bytes 1 to 32 separate arguments; a pair of double quotes where an
// argument would begin is skipped; inside an argument a double quote opens a run, up to the
// next double quote or the end, that may hold separators and whose quotes are dropped.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// Whether some argument after the program's path reads "/UNINSTALL" in any letter case.
bool IsUninstallRequested(std::string_view commandLine);

}  // namespace tolma
