#pragma once

// The tagged chunk container: tag words, the chunk object and its byte layout.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "container/Exception.h"
#include "container/Stream.h"

namespace tolma {

// ---- Tag word -------------------------------------------------------------------------------

// The 64 characters a tag may use; index i stands for TagAlphabet[i]. The tilde fills the last
// eight places.
inline constexpr std::array<uint8_t, 64> TagAlphabet = {
    0x00, 0x20, 0x28, 0x29, 0x5B, 0x5D, 0x5C, 0x7C, 0x2F, 0x3F, 0x21, 0x95, 0x3B, 0x3A, 0x2C, 0x2E,
    '0',  '1',  '2',  '3',  '4',  '5',  '6',  '7',  '8',  '9',  'A',  'B',  'C',  'D',  'E',  'F',
    'G',  'H',  'I',  'J',  'K',  'L',  'M',  'N',  'O',  'P',  'Q',  'R',  'S',  'T',  'U',  'V',
    'W',  'X',  'Y',  'Z',  0x2B, 0xB1, 0x2D, 0x3D, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E};

// Byte value -> alphabet index. Built at compile time in the same order as the table is read,
// so a later index wins (the tilde ends at 63) and bytes outside the alphabet map to 0.
inline constexpr std::array<uint8_t, 256> TagCharIndex = [] {
  std::array<uint8_t, 256> index{};
  for (size_t i = 0; i < TagAlphabet.size(); ++i) index[TagAlphabet[i]] = static_cast<uint8_t>(i);
  return index;
}();

// Packs a five-byte tag and the two flags; raises EDIFFParseError for any other length.
uint32_t PackTag(std::string_view tag, bool hasChunkList, bool hasHeader);

struct UnpackedTag {
  std::string Tag;  // always 5 bytes
  bool HasChunkList = false;
  bool HasHeader = false;
};
UnpackedTag UnpackTag(uint32_t word);

// ---- Exceptions -----------------------------------------------------------------------------

class EDIFFError : public Exception {
 public:
  using Exception::Exception;
};
class EDIFFBufferError : public EDIFFError {
 public:
  using EDIFFError::EDIFFError;
};
class EDIFFParseError : public EDIFFError {
 public:
  using EDIFFError::EDIFFError;
};

// ---- Chunk object ---------------------------------------------------------------------------

struct THeaderEntry {
  std::string Name;
  std::string Data;
  bool operator==(const THeaderEntry&) const = default;
};
using THeaderEntries = std::vector<THeaderEntry>;

class TDIFFChunk;
using TDIFFChunks = std::vector<std::unique_ptr<TDIFFChunk>>;

// Packing helpers of the byte layout.
std::string PackLongWord(uint32_t value);
std::string PackString(std::string_view bytes);

// Loaded trees may nest no deeper than this; deeper input is refused rather than exhausting
// the stack of the thread that parses it.
inline constexpr unsigned MaxChunkDepth = 256;

class TDIFFChunk {
 public:
  std::string Tag;
  THeaderEntries Headers;
  TDIFFChunks Chunks;
  std::string RawData;

  // A chunk whose tag is five NUL bytes, with nothing else.
  TDIFFChunk() : Tag(5, '\0') {}
  // The all-empty state that NewChunk gives: empty tag, nothing else.
  struct AllEmpty {};
  explicit TDIFFChunk(const AllEmpty& /*unused*/) {}
  TDIFFChunk(const TDIFFChunk&) = delete;
  TDIFFChunk& operator=(const TDIFFChunk&) = delete;
  virtual ~TDIFFChunk();

  // A new chunk of class T, loaded through its own (virtual) load operation. A failed load
  // destroys the half-made chunk and passes the exception on.
  template <class T = TDIFFChunk>
  static std::unique_ptr<T> CreateFromStream(Stream& stream) {
    auto chunk = std::make_unique<T>();
    chunk->LoadFromStream(stream);
    return chunk;
  }
  template <class T = TDIFFChunk>
  static std::unique_ptr<T> CreateFromString(std::string_view bytes) {
    auto chunk = std::make_unique<T>();
    chunk->LoadFromString(bytes);
    return chunk;
  }

  // Replace Tag, Headers, Chunks and RawData with the chunk serialized at the stream's
  // position (or at the start of the bytes). On failure nothing changes, the stream position
  // included, and an EDIFFBufferError says why.
  virtual void LoadFromStream(Stream& stream);
  virtual void LoadFromString(std::string_view bytes);
  // Write this chunk and its tree; EDIFFParseError when a tag is not 5 bytes long (nothing is
  // written then), EDIFFError when the stream takes fewer bytes than it was given.
  virtual void SaveToStream(Stream& stream) const;
  [[nodiscard]] virtual std::string SaveToString() const;

  virtual int32_t AddHeader(std::string name, std::string data);
  virtual int32_t AddChunk(std::unique_ptr<TDIFFChunk> child);
  // Appends a child of this chunk's own class in the all-empty state (empty tag) and returns it.
  virtual TDIFFChunk& NewChunk();
  [[nodiscard]] virtual const THeaderEntry* FindHeader(std::string_view name) const;
  virtual void RemoveHeader(std::string_view name);
  [[nodiscard]] std::string GetHeaderValue(std::string_view name) const;

 protected:
  // Makes an all-empty chunk of this object's class: a subclass overrides it to return itself.
  [[nodiscard]] virtual std::unique_ptr<TDIFFChunk> NewInstance() const;
};

}  // namespace tolma
