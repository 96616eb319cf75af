#pragma once

// Windows-1252, the code page of the names in an archive, and UTF-8, the names of a Linux
// file system. The five bytes the code page leaves undefined stand for the C1 controls of the
// same value, as Windows converts them.

#include <optional>
#include <string>
#include <string_view>

namespace tolma::driverpack {

// nullopt when the bytes are not well-formed UTF-8 or a character has no Windows-1252 byte.
std::optional<std::string> Utf8ToWindows1252(std::string_view utf8);
std::string Windows1252ToUtf8(std::string_view text);

}  // namespace tolma::driverpack
