// Fuzzes the chunk loader. Each input is loaded whole with LoadFromString, and its bytes after
// the first four are loaded with LoadFromStream at a position taken from those four.
//
// On success the loaded tree must save to bytes that load and save to the same bytes again;
// on failure the chunk and the stream position must be as before. Loading may raise only
// EDIFFBufferError: anything else escapes and is reported by libFuzzer.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "container/DIFFChunks.h"

namespace tolma {
namespace {

void Require(bool holds) {
  if (!holds) std::abort();
}

uint32_t LongWordAt(std::string_view bytes, size_t offset) {
  uint32_t value = 0;
  for (size_t i = 4; i-- > 0;) {
    value = (value << 8U) | static_cast<unsigned char>(bytes[offset + i]);
  }
  return value;
}

// A chunk with something in every field, so that a failed load that touched one shows.
class Bystander {
 public:
  Bystander() {
    chunk_.Tag = "KEEP0";
    chunk_.AddHeader("h", "1");
    child_ = &chunk_.NewChunk();
    child_->Tag = "CHILD";
    chunk_.RawData = "raw";
    saved_ = chunk_.SaveToString();
  }
  TDIFFChunk& Chunk() { return chunk_; }
  void RequireUnchanged() const {
    Require(chunk_.Chunks.size() == 1 && chunk_.Chunks[0].get() == child_);
    Require(chunk_.SaveToString() == saved_);
  }

 private:
  TDIFFChunk chunk_;
  TDIFFChunk* child_ = nullptr;
  std::string saved_;
};

// What a load gave: the saved tree on success, the message on failure.
struct Outcome {
  bool Loaded = false;
  std::string Text;
  bool operator==(const Outcome&) const = default;
};

Outcome SavedAndStable(const TDIFFChunk& chunk) {
  const std::string saved = chunk.SaveToString();
  TDIFFChunk again;
  again.LoadFromString(saved);
  Require(again.SaveToString() == saved);
  return {true, saved};
}

Outcome LoadString(std::string_view bytes) {
  Bystander target;
  try {
    target.Chunk().LoadFromString(bytes);
  } catch (const EDIFFBufferError& error) {
    target.RequireUnchanged();
    return {false, error.Message()};
  }
  return SavedAndStable(target.Chunk());
}

Outcome LoadStream(MemoryStream& stream) {
  const int32_t start = stream.Position();
  Bystander target;
  try {
    target.Chunk().LoadFromStream(stream);
  } catch (const EDIFFBufferError& error) {
    target.RequireUnchanged();
    Require(stream.Position() == start);
    return {false, error.Message()};
  }
  const std::string_view bytes = stream.Bytes();
  const auto offset = static_cast<size_t>(start);
  Require(stream.Position() - start == static_cast<int64_t>(8) + LongWordAt(bytes, offset + 4));
  return SavedAndStable(target.Chunk());
}

// Positions from the first four bytes: negative ones as they are, others folded onto the
// stream and a little beyond its end.
int32_t PositionFrom(std::string_view head, size_t streamSize) {
  const auto raw = static_cast<int32_t>(LongWordAt(head, 0));
  if (raw < 0) return raw;
  return static_cast<int32_t>(static_cast<uint64_t>(raw) % (streamSize + 9));
}

void FuzzOne(std::string_view input) {
  (void)LoadString(input);
  if (input.size() < 4) return;

  const std::string_view rest = input.substr(4);
  MemoryStream stream{std::string(rest)};
  const int32_t position = PositionFrom(input, rest.size());
  stream.SetPosition(position);
  const Outcome fromStream = LoadStream(stream);
  // The stream path must agree with the string path over the same bytes.
  if (position >= 0 && static_cast<size_t>(position) <= rest.size()) {
    Require(fromStream == LoadString(rest.substr(static_cast<size_t>(position))));
  } else {
    Require(fromStream == Outcome{false, "Error loading DIFF chunk: only 0 bytes were available."});
  }
}

}  // namespace
}  // namespace tolma

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tolma::FuzzOne(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
