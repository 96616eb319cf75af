#include "container/Stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace tolma {

int32_t MemoryStream::Size() const {
  return static_cast<int32_t>(std::min<size_t>(bytes_.size(), std::numeric_limits<int32_t>::max()));
}

int32_t MemoryStream::Read(void* buffer, int32_t count) {
  if (count <= 0 || position_ < 0 || position_ >= Size()) return 0;
  const int32_t moved = std::min(count, Size() - position_);
  std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(moved));
  position_ += moved;
  return moved;
}

int32_t MemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0 || position_ < 0 || count > std::numeric_limits<int32_t>::max() - position_) {
    return 0;
  }
  const auto end = static_cast<size_t>(position_) + static_cast<size_t>(count);
  if (end > bytes_.size()) bytes_.resize(end, '\0');
  std::memcpy(bytes_.data() + position_, buffer, static_cast<size_t>(count));
  position_ += count;
  return count;
}

}  // namespace tolma
