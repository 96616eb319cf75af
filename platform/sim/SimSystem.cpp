#include "platform/sim/SimSystem.h"

#include <algorithm>
#include <cstring>

namespace tolma::sim {

SimSystem::SimSystem(SimDriverStore& store) : store_(store) {}

bool SimSystem::SpecialFolderPath(int csidl, char (&buffer)[261]) {
  folderRequests_.push_back(csidl);
  const auto folder = specialFolders_.find(csidl);
  if (folder == specialFolders_.end()) return false;
  const std::string& path = folder->second;
  const size_t count = std::min(path.size(), sizeof buffer);
  std::memcpy(buffer, path.data(), count);
  if (count < sizeof buffer) buffer[count] = '\0';
  return true;
}

bool SimSystem::IsLeadByte(unsigned char byte) {
  return std::any_of(leadByteRanges_.begin(), leadByteRanges_.end(), [byte](const auto& range) {
    return byte >= range.first && byte <= range.second;
  });
}

std::unique_ptr<platform::SetupApi> SimSystem::BindSetupApi() { return store_.Bind(); }

platform::MessageFont SimSystem::MessageFontOf(int32_t height, const std::string& face) {
  std::string faceBytes = face.substr(0, 32);
  faceBytes.resize(32, '\0');
  return {height, faceBytes};
}

void SimSystem::SetSpecialFolder(int csidl, std::optional<std::string> path) {
  if (path) {
    specialFolders_[csidl] = std::move(*path);
  } else {
    specialFolders_.erase(csidl);
  }
}

}  // namespace tolma::sim
