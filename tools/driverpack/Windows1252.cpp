#include "tools/driverpack/Windows1252.h"

#include <array>
#include <cstdint>

namespace tolma::driverpack {
namespace {

// The characters of the bytes 0x80 to 0x9F; the other bytes stand for the code point of their
// own value.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::optional<unsigned char> ByteOf(char32_t c) {
  for (size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == c) return static_cast<unsigned char>(0x80 + i);
  }
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
  return std::nullopt;
}

// The next code point of well-formed UTF-8 at i (advanced past it), or nullopt.
std::optional<char32_t> NextCodePoint(std::string_view utf8, size_t& i) {
  const auto lead = static_cast<unsigned char>(utf8[i++]);
  if (lead < 0x80) return lead;
  size_t length = 0;
  char32_t c = 0;
  char32_t smallest = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 1;
    c = lead & 0x1FU;
    smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 2;
    c = lead & 0x0FU;
    smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 3;
    c = lead & 0x07U;
    smallest = 0x10000;
  } else {
    return std::nullopt;
  }
  if (utf8.size() - i < length) return std::nullopt;
  for (size_t k = 0; k < length; ++k) {
    const auto next = static_cast<unsigned char>(utf8[i++]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6U) | (next & 0x3FU);
  }
  // Overlong forms, surrogates and values beyond Unicode are not UTF-8.
  if (c < smallest || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return std::nullopt;
  return c;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6U));
    out += static_cast<char>(0x80 | (c & 0x3FU));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12U));
    out += static_cast<char>(0x80 | ((c >> 6U) & 0x3FU));
    out += static_cast<char>(0x80 | (c & 0x3FU));
  }
}

}  // namespace

std::optional<std::string> Utf8ToWindows1252(std::string_view utf8) {
  std::string text;
  for (size_t i = 0; i < utf8.size();) {
    const std::optional<char32_t> c = NextCodePoint(utf8, i);
    if (!c) return std::nullopt;
    const std::optional<unsigned char> byte = ByteOf(*c);
    if (!byte) return std::nullopt;
    text += static_cast<char>(*byte);
  }
  return text;
}

std::string Windows1252ToUtf8(std::string_view text) {
  std::string utf8;
  for (const char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    AppendUtf8(utf8, byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte);
  }
  return utf8;
}

}  // namespace tolma::driverpack
