#pragma once

// The four subcommands. Each returns the exit code (0 success, 1 bad input), writes its
// results to out and its refusals to err; a ToolError that leaves one is bad input, too.

#include <ostream>
#include <string>

namespace tolma::driverpack {

struct BuildOptions {
  std::string Stub;
  std::string Output;
  std::string Folder;
  bool Force = false;
  bool Verbose = false;
};

struct ExtractOptions {
  std::string Installer;
  std::string Folder;
  bool Force = false;
  bool Verbose = false;
};

int RunBuild(const BuildOptions& options, std::ostream& out, std::ostream& err);
int RunList(const std::string& installer, std::ostream& out);
int RunVerify(const std::string& installer, std::ostream& out, std::ostream& err);
int RunExtract(const ExtractOptions& options, std::ostream& out, std::ostream& err);

// How a refusal line begins.
inline constexpr const char* kToolPrefix = "driverpack: ";

}  // namespace tolma::driverpack
