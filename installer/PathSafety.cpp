#include "installer/PathSafety.h"

#include <array>
#include <vector>

namespace tolma {
namespace {

struct Segment {
  size_t Begin = 0;
  size_t End = 0;                 // one past the last byte
  size_t LastCharacterStart = 0;  // meaningful only for a non-empty segment
};

constexpr std::string_view kForbiddenCharacters = "<>\"|?*";

// Names Windows resolves to devices in any folder. The superscript digits are the
// Windows-1252 bytes B9, B2 and B3.
constexpr std::array<std::string_view, 28> kDeviceNames = {
    "CON",  "PRN",  "AUX",  "NUL",     "COM1",    "COM2",    "COM3",    "COM4",   "COM5", "COM6",
    "COM7", "COM8", "COM9", "COM\xB9", "COM\xB2", "COM\xB3", "LPT1",    "LPT2",   "LPT3", "LPT4",
    "LPT5", "LPT6", "LPT7", "LPT8",    "LPT9",    "LPT\xB9", "LPT\xB2", "LPT\xB3"};

std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  quoted += text;
  quoted += '"';
  return quoted;
}

// "0x" and two upper-case hex digits, by hand: the C library's formatter would bring its
// whole printf engine into the installer's image.
std::string HexByte(unsigned char byte) {
  constexpr std::string_view kDigits = "0123456789ABCDEF";
  return {'0', 'x', kDigits[byte >> 4U], kDigits[byte & 0xFU]};
}

// The name before its first "." (a single-byte character), with trailing spaces dropped as
// Windows drops them when it looks for a device name.
std::string_view DeviceCandidate(std::string_view path, const Segment& segment,
                                 const LeadByteTest& isLead) {
  size_t end = segment.Begin;
  while (end < segment.End && path[end] != '.') {
    end += isLead(static_cast<unsigned char>(path[end])) ? 2 : 1;
  }
  while (end > segment.Begin && path[end - 1] == ' ') --end;
  return path.substr(segment.Begin, end - segment.Begin);
}

std::optional<std::string> SegmentProblem(std::string_view path, const Segment& segment,
                                          const LeadByteTest& isLead) {
  const std::string_view name = path.substr(segment.Begin, segment.End - segment.Begin);
  if (name.empty()) return "has an empty name (a leading, trailing or doubled \\)";
  if (name == "." || name == "..") return "has a " + Quoted(name) + " segment";
  const char last = path[segment.LastCharacterStart];
  if (segment.LastCharacterStart + 1 == segment.End && (last == '.' || last == ' ')) {
    return "has a name ending in " + std::string(last == '.' ? "\".\"" : "a space") + ": " +
           Quoted(name);
  }
  const std::string candidate = UpperAscii(DeviceCandidate(path, segment, isLead));
  for (const std::string_view device : kDeviceNames) {
    if (candidate == device) return "has a name that Windows opens as a device: " + Quoted(name);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> UnsafeRelPathReason(std::string_view relPath,
                                               std::string_view installRoot,
                                               const LeadByteTest& isLead) {
  std::vector<Segment> segments(1);
  for (size_t i = 0; i < relPath.size();) {
    const auto byte = static_cast<unsigned char>(relPath[i]);
    if (isLead(byte)) {
      if (i + 1 >= relPath.size()) return "ends in an incomplete double-byte character";
      segments.back().LastCharacterStart = i;
      i += 2;
      segments.back().End = i;
      continue;
    }
    if (byte == '\\') {
      segments.push_back(Segment{i + 1, i + 1, i + 1});
      ++i;
      continue;
    }
    if (byte == '/') return "contains \"/\"";
    if (byte == ':') return "contains \":\" (a drive or an alternate data stream)";
    if (byte < 0x20) return "contains the control byte " + HexByte(byte);
    if (kForbiddenCharacters.find(static_cast<char>(byte)) != std::string_view::npos) {
      return "contains " + Quoted(std::string_view(&relPath[i], 1));
    }
    segments.back().LastCharacterStart = i;
    ++i;
    segments.back().End = i;
  }
  for (const Segment& segment : segments) {
    if (auto problem = SegmentProblem(relPath, segment, isLead)) return problem;
  }
  const size_t fullLength = installRoot.size() + relPath.size();
  if (fullLength > kMaxFullPathLength) {
    return "makes a full path of " + std::to_string(fullLength) + " bytes, more than " +
           std::to_string(kMaxFullPathLength);
  }
  return std::nullopt;
}

}  // namespace tolma
