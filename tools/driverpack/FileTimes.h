#pragma once

// FILETIME, the archive's time stamp, against the Unix time of a Linux file system, and as a
// date and time in UTC for people.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Platform.h"

namespace tolma::driverpack {

struct UnixTime {
  int64_t Seconds = 0;
  uint32_t Nanoseconds = 0;  // 0 to 999,999,999
};

// To 100 ns; nullopt for a time before 1601 or after the last FILETIME that Windows accepts
// (0x7FFFFFFFFFFFFFFF).
std::optional<platform::FileTime> FileTimeFromUnix(UnixTime time);
UnixTime UnixFromFileTime(platform::FileTime time);

// "YYYY-MM-DD HH:MM:SS" in UTC, the 100 ns below the second cut off.
std::string FormatUtc(platform::FileTime time);

}  // namespace tolma::driverpack
