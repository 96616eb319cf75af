#pragma once

// Archive paths that Windows would take for one and the same file: Windows compares names
// without regard to letter case, so a later file would replace an earlier one.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tolma::driverpack {

struct PathCollision {
  size_t Earlier = 0;  // indexes into the paths given
  size_t Later = 0;
  std::string Why;
};

// Windows-1252 paths with "\" separators: pairs that name the same file, and files whose path
// another path needs as a folder.
std::vector<PathCollision> FindPathCollisions(const std::vector<std::string_view>& paths);

// The path with its Windows-1252 letters in upper case, as Windows compares them.
std::string FoldCase(std::string_view path);

}  // namespace tolma::driverpack
