#include "container/DIFFChunks.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <typeinfo>

namespace tolma {
namespace {

constexpr uint32_t kMaxU32 = std::numeric_limits<uint32_t>::max();

uint32_t ReadLongWord(std::string_view bytes, size_t offset) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + offset);
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8U |
         static_cast<uint32_t>(p[2]) << 16U | static_cast<uint32_t>(p[3]) << 24U;
}

void AppendLongWord(std::string& out, uint32_t value) {
  const char bytes[4] = {static_cast<char>(value & 0xFFU), static_cast<char>((value >> 8U) & 0xFFU),
                         static_cast<char>((value >> 16U) & 0xFFU),
                         static_cast<char>((value >> 24U) & 0xFFU)};
  out.append(bytes, 4);
}

void StoreLongWord(std::string& out, size_t offset, uint32_t value) {
  for (unsigned i = 0; i < 4; ++i) out[offset + i] = static_cast<char>((value >> (8U * i)) & 0xFFU);
}

[[noreturn]] void Refuse(const std::string& text) { throw EDIFFBufferError(text); }

std::string During(std::string_view tag) {
  return " (During load of " + std::string(tag) + " chunk.)";
}

std::string Number(uint64_t value) { return std::to_string(value); }

// ---- Loading --------------------------------------------------------------------------------

// What a load produces before it is committed to a chunk.
struct LoadedChunk {
  std::string Tag;
  THeaderEntries Headers;
  TDIFFChunks Chunks;
  std::string_view RawData;
};

void ParseChunk(std::string_view bytes, LoadedChunk& out, unsigned depth);

// Reads a length field of the header block, refusing one that does not fit in what is left.
uint32_t TakeHeaderLength(std::string_view block, size_t& offset, uint32_t& left, const char* what,
                          std::string_view tag) {
  if (left < 4) {
    Refuse(std::string("Header ") + what + " length needs 4 bytes, but only " + Number(left) +
           " bytes were available in the header." + During(tag));
  }
  const uint32_t length = ReadLongWord(block, offset);
  offset += 4;
  left -= 4;
  if (length > left) {
    Refuse(std::string("Claimed header ") + what + " was " + Number(length) + " bytes, but only " +
           Number(left) + " bytes were available in the header." + During(tag));
  }
  return length;
}

void ParseHeaderBlock(std::string_view block, std::string_view tag, THeaderEntries& headers) {
  if (block.size() < 4) {
    Refuse("Claimed header was " + Number(block.size()) +
           " bytes, too few to hold its entry count." + During(tag));
  }
  const uint32_t count = ReadLongWord(block, 0);
  auto left = static_cast<uint32_t>(block.size() - 4);
  if (count > left / 8) {
    Refuse("Claimed header entry count was " + Number(count) + ", but only " + Number(left) +
           " bytes were available in the header." + During(tag));
  }
  headers.reserve(count);
  size_t offset = 4;
  for (uint32_t i = 0; i < count; ++i) {
    THeaderEntry entry;
    const uint32_t nameLength = TakeHeaderLength(block, offset, left, "name", tag);
    entry.Name.assign(block.substr(offset, nameLength));
    offset += nameLength;
    left -= nameLength;
    const uint32_t dataLength = TakeHeaderLength(block, offset, left, "data", tag);
    entry.Data.assign(block.substr(offset, dataLength));
    offset += dataLength;
    left -= dataLength;
    headers.push_back(std::move(entry));
  }
}

// A child as loading makes it: a plain TDIFFChunk, whatever the class of its parent.
std::unique_ptr<TDIFFChunk> MakeChild(std::string_view bytes, unsigned depth) {
  LoadedChunk loaded;
  ParseChunk(bytes, loaded, depth);
  auto child = std::make_unique<TDIFFChunk>();
  child->Tag = std::move(loaded.Tag);
  child->Headers = std::move(loaded.Headers);
  child->Chunks = std::move(loaded.Chunks);
  child->RawData.assign(loaded.RawData);
  return child;
}

// The children stand back to back in the block, each read as from a stream positioned where
// the previous one ended.
void ParseChunkList(std::string_view block, std::string_view tag, unsigned depth,
                    TDIFFChunks& chunks) {
  if (block.size() < 4) {
    Refuse("Claimed chunk list was " + Number(block.size()) +
           " bytes, too few to hold its child count." + During(tag));
  }
  const uint32_t count = ReadLongWord(block, 0);
  const std::string_view children = block.substr(4);
  if (count > children.size() / 8) {
    Refuse("Claimed chunk count was " + Number(count) + ", but only " + Number(children.size()) +
           " bytes were available in the chunk list." + During(tag));
  }
  if (count > 0 && depth + 1 >= MaxChunkDepth) {
    Refuse("Chunks were nested more than " + Number(MaxChunkDepth) + " levels deep." + During(tag));
  }
  chunks.reserve(count);
  size_t offset = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const size_t available = children.size() - offset;
    if (available < 8) {
      Refuse("Error loading DIFF chunk: only " + Number(available) + " bytes were available.");
    }
    const uint32_t payload = ReadLongWord(children, offset + 4);
    if (payload > available - 8) {
      Refuse("Claimed payload was " + Number(payload) + " bytes, but only " +
             Number(available - 8) + " bytes were available." +
             During(UnpackTag(ReadLongWord(children, offset)).Tag));
    }
    const size_t extent = 8 + static_cast<size_t>(payload);
    chunks.push_back(MakeChild(children.substr(offset, extent), depth + 1));
    offset += extent;
  }
}

void ParseChunk(std::string_view bytes, LoadedChunk& out, unsigned depth) {
  if (bytes.size() < 8) {
    Refuse("Error loading DIFF chunk: only " + Number(bytes.size()) + " bytes were available.");
  }
  UnpackedTag head = UnpackTag(ReadLongWord(bytes, 0));
  const uint32_t payloadSize = ReadLongWord(bytes, 4);
  if (payloadSize > bytes.size() - 8) {
    Refuse("Claimed payload was " + Number(payloadSize) + " bytes, but only " +
           Number(bytes.size() - 8) + " bytes were available." + During(head.Tag));
  }
  const std::string_view payload = bytes.substr(8, payloadSize);
  size_t offset = 0;
  uint32_t left = payloadSize;

  if (head.HasHeader) {
    if (left < 8) {
      Refuse("Chunk claimed to have a header, but only " + Number(left) + " bytes were available." +
             During(head.Tag));
    }
    const uint32_t size = ReadLongWord(payload, offset);
    offset += 4;
    left -= 4;
    if (size > left) {
      Refuse("Claimed header was " + Number(size) + " bytes, but only " + Number(left) +
             " bytes were available." + During(head.Tag));
    }
    ParseHeaderBlock(payload.substr(offset, size), head.Tag, out.Headers);
    offset += size;
    left -= size;
  }

  if (head.HasChunkList) {
    if (left < 8) {
      Refuse("Chunk claimed to have a chunk list, but only " + Number(left) +
             " bytes were available." + During(head.Tag));
    }
    const uint32_t size = ReadLongWord(payload, offset);
    offset += 4;
    left -= 4;
    if (size > left) {
      Refuse("Claimed chunk list was " + Number(size) + " bytes, but only " + Number(left) +
             " bytes were available." + During(head.Tag));
    }
    ParseChunkList(payload.substr(offset, size), head.Tag, depth, out.Chunks);
    offset += size;
  }

  out.RawData = payload.substr(offset);
  out.Tag = std::move(head.Tag);
}

// ---- Loading straight from a stream ---------------------------------------------------------
//
// A plain chunk loads from a stream without first reading its whole extent into memory: the
// payload is read block by block and each child by itself, with exactly the checks and messages
// of the parser above. Only the tree itself and one child's bytes are held at a time, so an
// archive of N bytes loads in about N bytes of memory rather than 2N.

static_assert(MaxChunkDepth > 1, "a root read from a stream has children at depth 1");

// Reads exactly count bytes at the stream's position into a buffer of its own.
std::unique_ptr<char[]> ReadExactly(Stream& stream, uint32_t count) {
  auto bytes = std::make_unique_for_overwrite<char[]>(count);
  if (count > 0 &&
      stream.Read(bytes.get(), static_cast<int32_t>(count)) != static_cast<int32_t>(count)) {
    Refuse("Error loading DIFF chunk: the stream could not be read.");
  }
  return bytes;
}

uint32_t ReadLongWord(Stream& stream) {
  return ReadLongWord(std::string_view(ReadExactly(stream, 4).get(), 4), 0);
}

void ParseChunkListFromStream(Stream& stream, uint32_t blockSize, std::string_view tag,
                              TDIFFChunks& chunks) {
  if (blockSize < 4) {
    Refuse("Claimed chunk list was " + Number(blockSize) +
           " bytes, too few to hold its child count." + During(tag));
  }
  const uint32_t count = ReadLongWord(stream);
  const uint32_t childrenSize = blockSize - 4;
  if (count > childrenSize / 8) {
    Refuse("Claimed chunk count was " + Number(count) + ", but only " + Number(childrenSize) +
           " bytes were available in the chunk list." + During(tag));
  }
  chunks.reserve(count);
  uint32_t offset = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t available = childrenSize - offset;
    if (available < 8) {
      Refuse("Error loading DIFF chunk: only " + Number(available) + " bytes were available.");
    }
    const std::unique_ptr<char[]> head = ReadExactly(stream, 8);
    const std::string_view headBytes(head.get(), 8);
    const uint32_t payload = ReadLongWord(headBytes, 4);
    if (payload > available - 8) {
      Refuse("Claimed payload was " + Number(payload) + " bytes, but only " +
             Number(available - 8) + " bytes were available." +
             During(UnpackTag(ReadLongWord(headBytes, 0)).Tag));
    }
    const uint32_t extent = 8 + payload;
    auto bytes = std::make_unique_for_overwrite<char[]>(extent);
    std::memcpy(bytes.get(), head.get(), 8);
    if (payload > 0 && stream.Read(bytes.get() + 8, static_cast<int32_t>(payload)) !=
                           static_cast<int32_t>(payload)) {
      Refuse("Error loading DIFF chunk: the stream could not be read.");
    }
    chunks.push_back(MakeChild(std::string_view(bytes.get(), extent), 1));
    offset += extent;
  }
  // Bytes after the last child are not claimed by it: skip them.
  stream.SetPosition(stream.Position() + static_cast<int32_t>(childrenSize - offset));
}

// The payload of a plain chunk whose head has been read and checked against the stream's size.
void ParsePayloadFromStream(Stream& stream, const UnpackedTag& head, uint32_t payloadSize,
                            LoadedChunk& out, std::string& rawData) {
  uint32_t left = payloadSize;
  if (head.HasHeader) {
    if (left < 8) {
      Refuse("Chunk claimed to have a header, but only " + Number(left) + " bytes were available." +
             During(head.Tag));
    }
    const uint32_t size = ReadLongWord(stream);
    left -= 4;
    if (size > left) {
      Refuse("Claimed header was " + Number(size) + " bytes, but only " + Number(left) +
             " bytes were available." + During(head.Tag));
    }
    const std::unique_ptr<char[]> block = ReadExactly(stream, size);
    ParseHeaderBlock(std::string_view(block.get(), size), head.Tag, out.Headers);
    left -= size;
  }
  if (head.HasChunkList) {
    if (left < 8) {
      Refuse("Chunk claimed to have a chunk list, but only " + Number(left) +
             " bytes were available." + During(head.Tag));
    }
    const uint32_t size = ReadLongWord(stream);
    left -= 4;
    if (size > left) {
      Refuse("Claimed chunk list was " + Number(size) + " bytes, but only " + Number(left) +
             " bytes were available." + During(head.Tag));
    }
    ParseChunkListFromStream(stream, size, head.Tag, out.Chunks);
    left -= size;
  }
  rawData.assign(ReadExactly(stream, left).get(), left);
  out.Tag = head.Tag;
}

// ---- Saving ---------------------------------------------------------------------------------

uint32_t CheckedSize(uint64_t size) {
  if (size > kMaxU32) {
    throw EDIFFParseError("DIFF chunk of " + Number(size) +
                          " bytes is too large to save; sizes are limited to " + Number(kMaxU32) +
                          " bytes.");
  }
  return static_cast<uint32_t>(size);
}

// A child of this very class is saved in place; one of a subclass through its own SaveToString.
bool IsPlainChunk(const TDIFFChunk& chunk) { return typeid(chunk) == typeid(TDIFFChunk); }

// Bytes that SaveToString will produce for the parts of the tree saved by this class itself;
// used only to reserve the output once.
uint64_t EstimatedSize(const TDIFFChunk& chunk) {
  uint64_t size = 8 + chunk.RawData.size();
  if (!chunk.Headers.empty()) {
    size += 8;
    for (const auto& entry : chunk.Headers) size += 8 + entry.Name.size() + entry.Data.size();
  }
  if (!chunk.Chunks.empty()) {
    size += 8;
    for (const auto& child : chunk.Chunks) {
      if (IsPlainChunk(*child)) size += EstimatedSize(*child);
    }
  }
  return size;
}

void AppendString(std::string& out, std::string_view bytes) {
  AppendLongWord(out, CheckedSize(bytes.size()));
  out.append(bytes);
}

// Appends the serialized chunk. Children of this very class are appended in place; a child of
// a subclass is saved through its own SaveToString. Children are saved before the chunk's own
// tag is packed, so a tree with several bad tags reports the deepest-first one.
void AppendChunk(const TDIFFChunk& chunk, std::string& out) {
  const size_t head = out.size();
  out.append(8, '\0');
  if (!chunk.Headers.empty()) {
    const size_t block = out.size();
    out.append(4, '\0');
    AppendLongWord(out, CheckedSize(chunk.Headers.size()));
    for (const auto& entry : chunk.Headers) {
      AppendString(out, entry.Name);
      AppendString(out, entry.Data);
    }
    StoreLongWord(out, block, CheckedSize(out.size() - block - 4));
  }
  if (!chunk.Chunks.empty()) {
    const size_t block = out.size();
    out.append(4, '\0');
    AppendLongWord(out, CheckedSize(chunk.Chunks.size()));
    for (const auto& child : chunk.Chunks) {
      if (IsPlainChunk(*child)) {
        AppendChunk(*child, out);
      } else {
        out += child->SaveToString();
      }
    }
    StoreLongWord(out, block, CheckedSize(out.size() - block - 4));
  }
  out.append(chunk.RawData);
  StoreLongWord(out, head + 4, CheckedSize(out.size() - head - 8));
  StoreLongWord(out, head, PackTag(chunk.Tag, !chunk.Chunks.empty(), !chunk.Headers.empty()));
}

}  // namespace

// ---- Tag word -------------------------------------------------------------------------------

uint32_t PackTag(std::string_view tag, bool hasChunkList, bool hasHeader) {
  if (tag.size() != 5) {
    throw EDIFFParseError("DIFF tag must be 5 characters; cannot pack from " + Number(tag.size()) +
                          "-char string \"" + std::string(tag) + "\".");
  }
  uint32_t word = 0;
  for (size_t k = 5; k-- > 0;) {
    word = (word << 6U) | TagCharIndex[static_cast<unsigned char>(tag[k])];
  }
  word = (word << 1U) | (hasChunkList ? 1U : 0U);
  word = (word << 1U) | (hasHeader ? 1U : 0U);
  return word;
}

UnpackedTag UnpackTag(uint32_t word) {
  UnpackedTag result;
  result.HasHeader = (word & 1U) != 0;
  result.HasChunkList = (word & 2U) != 0;
  result.Tag.resize(5);
  for (unsigned k = 0; k < 5; ++k) {
    result.Tag[k] = static_cast<char>(TagAlphabet[(word >> (2U + 6U * k)) & 63U]);
  }
  return result;
}

// ---- Packing helpers ------------------------------------------------------------------------

std::string PackLongWord(uint32_t value) {
  std::string out;
  AppendLongWord(out, value);
  return out;
}

std::string PackString(std::string_view bytes) {
  std::string out;
  out.reserve(4 + bytes.size());
  AppendString(out, bytes);
  return out;
}

// ---- Chunk object ---------------------------------------------------------------------------

TDIFFChunk::~TDIFFChunk() {
  for (auto& child : Chunks) child.reset();
  Chunks.clear();
}

int32_t TDIFFChunk::AddHeader(std::string name, std::string data) {
  Headers.push_back(THeaderEntry{std::move(name), std::move(data)});
  return static_cast<int32_t>(Headers.size() - 1);
}

int32_t TDIFFChunk::AddChunk(std::unique_ptr<TDIFFChunk> child) {
  Chunks.push_back(std::move(child));
  return static_cast<int32_t>(Chunks.size() - 1);
}

std::unique_ptr<TDIFFChunk> TDIFFChunk::NewInstance() const {
  return std::make_unique<TDIFFChunk>(AllEmpty{});
}

TDIFFChunk& TDIFFChunk::NewChunk() {
  auto child = NewInstance();
  TDIFFChunk& made = *child;
  AddChunk(std::move(child));
  return made;
}

const THeaderEntry* TDIFFChunk::FindHeader(std::string_view name) const {
  const auto found = std::find_if(Headers.begin(), Headers.end(),
                                  [name](const THeaderEntry& entry) { return entry.Name == name; });
  return found == Headers.end() ? nullptr : &*found;
}

void TDIFFChunk::RemoveHeader(std::string_view name) {
  std::erase_if(Headers, [name](const THeaderEntry& entry) { return entry.Name == name; });
}

std::string TDIFFChunk::GetHeaderValue(std::string_view name) const {
  const THeaderEntry* entry = FindHeader(name);
  return entry == nullptr ? std::string() : entry->Data;
}

// ---- Serialization --------------------------------------------------------------------------

std::string TDIFFChunk::SaveToString() const {
  std::string out;
  // A tree too large to save fails in AppendChunk; reserving for it would only waste memory.
  const uint64_t estimate = EstimatedSize(*this);
  if (estimate <= kMaxU32) out.reserve(static_cast<size_t>(estimate));
  AppendChunk(*this, out);
  return out;
}

void TDIFFChunk::SaveToStream(Stream& stream) const {
  const std::string bytes = SaveToString();
  if (bytes.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    throw EDIFFParseError("DIFF chunk of " + Number(bytes.size()) +
                          " bytes is too large for a stream.");
  }
  // A short write (a full disk, say) must not pass for a saved chunk.
  const auto count = static_cast<int32_t>(bytes.size());
  const int32_t written = stream.Write(bytes.data(), count);
  if (written != count) {
    throw EDIFFError("Error saving DIFF chunk: only " + Number(std::max<int32_t>(written, 0)) +
                     " of " + Number(count) + " bytes were written.");
  }
}

void TDIFFChunk::LoadFromString(std::string_view bytes) {
  LoadedChunk loaded;
  ParseChunk(bytes, loaded, 0);
  std::string raw(loaded.RawData);
  // Nothing below can fail: the chunk changes only once the whole input has been accepted.
  Tag = std::move(loaded.Tag);
  Headers = std::move(loaded.Headers);
  Chunks.swap(loaded.Chunks);
  RawData = std::move(raw);
}

void TDIFFChunk::LoadFromStream(Stream& stream) {
  const int32_t start = stream.Position();
  try {
    const int64_t available =
        start < 0 ? 0 : static_cast<int64_t>(stream.Size()) - static_cast<int64_t>(start);
    if (available < 8) {
      Refuse("Error loading DIFF chunk: only " + Number(std::max<int64_t>(available, 0)) +
             " bytes were available.");
    }
    std::string head(8, '\0');
    if (stream.Read(head.data(), 8) != 8) {
      Refuse("Error loading DIFF chunk: the stream could not be read.");
    }
    const uint32_t payloadSize = ReadLongWord(head, 4);
    if (static_cast<int64_t>(payloadSize) > available - 8) {
      Refuse("Claimed payload was " + Number(payloadSize) + " bytes, but only " +
             Number(static_cast<uint64_t>(available - 8)) + " bytes were available." +
             During(UnpackTag(ReadLongWord(head, 0)).Tag));
    }
    const auto extent = static_cast<int32_t>(8 + static_cast<int64_t>(payloadSize));
    if (IsPlainChunk(*this)) {
      // What LoadFromString would do with the bytes, read piece by piece.
      LoadedChunk loaded;
      std::string rawData;
      ParsePayloadFromStream(stream, UnpackTag(ReadLongWord(head, 0)), payloadSize, loaded,
                             rawData);
      Tag = std::move(loaded.Tag);
      Headers = std::move(loaded.Headers);
      Chunks.swap(loaded.Chunks);
      RawData = std::move(rawData);
    } else {
      // A subclass gets the whole chunk through its own LoadFromString.
      // Left uninitialised: the read fills all of it or the load is refused.
      const auto whole = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(extent));
      stream.SetPosition(start);
      if (stream.Read(whole.get(), extent) != extent) {
        Refuse("Error loading DIFF chunk: the stream could not be read.");
      }
      LoadFromString(std::string_view(whole.get(), static_cast<size_t>(extent)));
    }
    stream.SetPosition(start + extent);
  } catch (...) {
    stream.SetPosition(start);
    throw;
  }
}

}  // namespace tolma
