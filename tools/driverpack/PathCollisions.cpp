#include "tools/driverpack/PathCollisions.h"

#include <algorithm>
#include <map>

namespace tolma::driverpack {

std::string FoldCase(std::string_view path) {
  std::string folded(path);
  for (char& ch : folded) {
    const auto byte = static_cast<unsigned char>(ch);
    unsigned char upper = byte;
    if ((byte >= 'a' && byte <= 'z') || (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7)) {
      upper = static_cast<unsigned char>(byte - 0x20);
    } else if (byte == 0x9A || byte == 0x9C || byte == 0x9E) {  // š œ ž
      upper = static_cast<unsigned char>(byte - 0x10);
    } else if (byte == 0xFF) {  // ÿ
      upper = 0x9F;
    }
    ch = static_cast<char>(upper);
  }
  return folded;
}

std::vector<PathCollision> FindPathCollisions(const std::vector<std::string_view>& paths) {
  std::map<std::string, size_t> files;    // folded path -> first path of that name
  std::map<std::string, size_t> folders;  // folded folder -> first path below it
  std::vector<PathCollision> collisions;
  for (size_t i = 0; i < paths.size(); ++i) {
    const std::string folded = FoldCase(paths[i]);
    const auto [file, isNew] = files.emplace(folded, i);
    if (!isNew) {
      collisions.push_back({file->second, i,
                            paths[file->second] == paths[i]
                                ? "the same path twice"
                                : "names that differ only in letter case"});
    }
    for (size_t cut = folded.find('\\'); cut != std::string::npos;
         cut = folded.find('\\', cut + 1)) {
      folders.emplace(folded.substr(0, cut), i);
    }
  }
  for (const auto& [folded, index] : files) {
    const auto folder = folders.find(folded);
    if (folder != folders.end()) {
      collisions.push_back({std::min(index, folder->second), std::max(index, folder->second),
                            "a file whose name the other path needs as a folder"});
    }
  }
  return collisions;
}

}  // namespace tolma::driverpack
