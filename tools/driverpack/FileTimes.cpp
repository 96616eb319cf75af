#include "tools/driverpack/FileTimes.h"

#include <array>
#include <cstdio>

namespace tolma::driverpack {
namespace {

constexpr int64_t kTicksPerSecond = 10'000'000;
// Seconds from 1601-01-01 to 1970-01-01.
constexpr int64_t kEpochDifference = 11'644'473'600;
constexpr uint64_t kLargestFileTime = 0x7FFFFFFFFFFFFFFFULL;

uint64_t Ticks(platform::FileTime time) {
  return static_cast<uint64_t>(time.High) << 32U | time.Low;
}

struct CivilDate {
  int64_t Year;
  unsigned Month;
  unsigned Day;
};

// The Gregorian date of a count of days since 1970-01-01, by 400-year eras (146,097 days)
// counted from 0000-03-01 so that the leap day ends each year.
CivilDate DateOfDay(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned monthFromMarch = (5 * dayOfYear + 2) / 153;
  const unsigned day = dayOfYear - (153 * monthFromMarch + 2) / 5 + 1;
  const unsigned month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
  const int64_t year = static_cast<int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
  return {year, month, day};
}

}  // namespace

std::optional<platform::FileTime> FileTimeFromUnix(UnixTime time) {
  constexpr int64_t kLargestSeconds =
      static_cast<int64_t>(kLargestFileTime / kTicksPerSecond) - kEpochDifference;
  if (time.Seconds < -kEpochDifference || time.Seconds > kLargestSeconds) return std::nullopt;
  const uint64_t ticks = static_cast<uint64_t>(time.Seconds + kEpochDifference) * kTicksPerSecond +
                         time.Nanoseconds / 100;
  if (ticks > kLargestFileTime) return std::nullopt;
  return platform::FileTime{static_cast<uint32_t>(ticks & 0xFFFFFFFFU),
                            static_cast<uint32_t>(ticks >> 32U)};
}

UnixTime UnixFromFileTime(platform::FileTime time) {
  const uint64_t ticks = Ticks(time);
  return {static_cast<int64_t>(ticks / kTicksPerSecond) - kEpochDifference,
          static_cast<uint32_t>(ticks % kTicksPerSecond) * 100};
}

std::string FormatUtc(platform::FileTime time) {
  const UnixTime unix = UnixFromFileTime(time);
  const int64_t days = (unix.Seconds >= 0 ? unix.Seconds : unix.Seconds - 86399) / 86400;
  const int64_t secondOfDay = unix.Seconds - days * 86400;
  const CivilDate date = DateOfDay(days);
  std::array<char, 48> text{};
  std::snprintf(text.data(), text.size(), "%04lld-%02u-%02u %02lld:%02lld:%02lld",
                static_cast<long long>(date.Year), date.Month, date.Day,
                static_cast<long long>(secondOfDay / 3600),
                static_cast<long long>(secondOfDay / 60 % 60),
                static_cast<long long>(secondOfDay % 60));
  return text.data();
}

}  // namespace tolma::driverpack
