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
//
// One parser serves both loads. It reads a payload front to back through a reader: over the
// bytes of a string, or straight from a stream. The string reader hands out views; the stream
// reader holds only the block or the child being read, so an archive of N bytes loads in about
// N bytes of memory rather than 2N.

// A child of this very class is loaded and saved in place; a subclass gets its own operations.
bool IsPlainChunk(const TDIFFChunk& chunk) { return typeid(chunk) == typeid(TDIFFChunk); }

// What a load produces before it is committed to a chunk.
struct LoadedChunk {
  std::string Tag;
  THeaderEntries Headers;
  TDIFFChunks Chunks;
  std::string RawData;
};

// Nothing here can fail: a chunk changes only once its whole input has been accepted.
void Commit(LoadedChunk& loaded, TDIFFChunk& chunk) {
  chunk.Tag = std::move(loaded.Tag);
  chunk.Headers = std::move(loaded.Headers);
  chunk.Chunks.swap(loaded.Chunks);
  chunk.RawData = std::move(loaded.RawData);
}

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
  Commit(loaded, *child);
  return child;
}

// Bytes handed out by a reader: a view into the input, or a buffer read for them.
class Piece {
 public:
  explicit Piece(std::string_view view) : view_(view) {}
  Piece(std::unique_ptr<char[]> owned, uint32_t size)
      : owned_(std::move(owned)), view_(owned_.get(), size) {}
  [[nodiscard]] std::string_view View() const { return view_; }

 private:
  std::unique_ptr<char[]> owned_;
  std::string_view view_;
};

// Reads a payload held in memory. The parser has checked every size against the payload before
// it takes the bytes.
class ViewReader {
 public:
  explicit ViewReader(std::string_view payload) : payload_(payload) {}
  Piece Take(uint32_t count) {
    Piece piece(payload_.substr(offset_, count));
    offset_ += count;
    return piece;
  }
  // The chunk whose 8-byte head was taken last, head and payload together.
  Piece TakeChunk(const Piece& /*head*/, uint32_t payload) {
    Piece piece(payload_.substr(offset_ - 8, 8 + static_cast<size_t>(payload)));
    offset_ += payload;
    return piece;
  }
  void Skip(uint32_t count) { offset_ += count; }

 private:
  std::string_view payload_;
  size_t offset_ = 0;
};

// Reads a payload from a stream whose size the caller has checked against the chunk's extent.
class StreamReader {
 public:
  explicit StreamReader(Stream& stream) : stream_(stream) {}
  Piece Take(uint32_t count) {
    auto bytes = std::make_unique_for_overwrite<char[]>(count);
    ReadInto(bytes.get(), count);
    return {std::move(bytes), count};
  }
  Piece TakeChunk(const Piece& head, uint32_t payload) {
    const uint32_t extent = 8 + payload;
    auto bytes = std::make_unique_for_overwrite<char[]>(extent);
    std::memcpy(bytes.get(), head.View().data(), 8);
    ReadInto(bytes.get() + 8, payload);
    return {std::move(bytes), extent};
  }
  void Skip(uint32_t count) {
    stream_.SetPosition(stream_.Position() + static_cast<int32_t>(count));
  }

 private:
  void ReadInto(char* buffer, uint32_t count) {
    if (count > 0 &&
        stream_.Read(buffer, static_cast<int32_t>(count)) != static_cast<int32_t>(count)) {
      Refuse("Error loading DIFF chunk: the stream could not be read.");
    }
  }
  Stream& stream_;
};

template <class Reader>
uint32_t TakeLongWord(Reader& reader) {
  return ReadLongWord(reader.Take(4).View(), 0);
}

// The children stand back to back in the block, each read as from a stream positioned where
// the previous one ended.
template <class Reader>
void ParseChunkList(Reader& reader, uint32_t blockSize, std::string_view tag, unsigned depth,
                    TDIFFChunks& chunks) {
  if (blockSize < 4) {
    Refuse("Claimed chunk list was " + Number(blockSize) +
           " bytes, too few to hold its child count." + During(tag));
  }
  const uint32_t count = TakeLongWord(reader);
  const uint32_t childrenSize = blockSize - 4;
  if (count > childrenSize / 8) {
    Refuse("Claimed chunk count was " + Number(count) + ", but only " + Number(childrenSize) +
           " bytes were available in the chunk list." + During(tag));
  }
  if (count > 0 && depth + 1 >= MaxChunkDepth) {
    Refuse("Chunks were nested more than " + Number(MaxChunkDepth) + " levels deep." + During(tag));
  }
  chunks.reserve(count);
  uint32_t offset = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t available = childrenSize - offset;
    if (available < 8) {
      Refuse("Error loading DIFF chunk: only " + Number(available) + " bytes were available.");
    }
    const Piece head = reader.Take(8);
    const uint32_t payload = ReadLongWord(head.View(), 4);
    if (payload > available - 8) {
      Refuse("Claimed payload was " + Number(payload) + " bytes, but only " +
             Number(available - 8) + " bytes were available." +
             During(UnpackTag(ReadLongWord(head.View(), 0)).Tag));
    }
    const Piece child = reader.TakeChunk(head, payload);
    chunks.push_back(MakeChild(child.View(), depth + 1));
    offset += 8 + payload;
  }
  // Bytes after the last child are claimed by none: skip them.
  reader.Skip(childrenSize - offset);
}

// The payload of a chunk whose head has been read and checked against the bytes available.
template <class Reader>
void ParsePayload(Reader& reader, const UnpackedTag& head, uint32_t payloadSize, unsigned depth,
                  LoadedChunk& out) {
  uint32_t left = payloadSize;
  if (head.HasHeader) {
    if (left < 8) {
      Refuse("Chunk claimed to have a header, but only " + Number(left) + " bytes were available." +
             During(head.Tag));
    }
    const uint32_t size = TakeLongWord(reader);
    left -= 4;
    if (size > left) {
      Refuse("Claimed header was " + Number(size) + " bytes, but only " + Number(left) +
             " bytes were available." + During(head.Tag));
    }
    const Piece block = reader.Take(size);
    ParseHeaderBlock(block.View(), head.Tag, out.Headers);
    left -= size;
  }
  if (head.HasChunkList) {
    if (left < 8) {
      Refuse("Chunk claimed to have a chunk list, but only " + Number(left) +
             " bytes were available." + During(head.Tag));
    }
    const uint32_t size = TakeLongWord(reader);
    left -= 4;
    if (size > left) {
      Refuse("Claimed chunk list was " + Number(size) + " bytes, but only " + Number(left) +
             " bytes were available." + During(head.Tag));
    }
    ParseChunkList(reader, size, head.Tag, depth, out.Chunks);
    left -= size;
  }
  out.RawData.assign(reader.Take(left).View());
  out.Tag = head.Tag;
}

void ParseChunk(std::string_view bytes, LoadedChunk& out, unsigned depth) {
  if (bytes.size() < 8) {
    Refuse("Error loading DIFF chunk: only " + Number(bytes.size()) + " bytes were available.");
  }
  const UnpackedTag head = UnpackTag(ReadLongWord(bytes, 0));
  const uint32_t payloadSize = ReadLongWord(bytes, 4);
  if (payloadSize > bytes.size() - 8) {
    Refuse("Claimed payload was " + Number(payloadSize) + " bytes, but only " +
           Number(bytes.size() - 8) + " bytes were available." + During(head.Tag));
  }
  ViewReader reader(bytes.substr(8, payloadSize));
  ParsePayload(reader, head, payloadSize, depth, out);
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
  Commit(loaded, *this);
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
      StreamReader reader(stream);
      ParsePayload(reader, UnpackTag(ReadLongWord(head, 0)), payloadSize, 0, loaded);
      Commit(loaded, *this);
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
