#include <gtest/gtest.h>

#include "tools/driverpack/FileTimes.h"

namespace tolma::driverpack {
namespace {

platform::FileTime Ticks(uint64_t ticks) {
  return {static_cast<uint32_t>(ticks & 0xFFFFFFFFU), static_cast<uint32_t>(ticks >> 32U)};
}

struct TimeCase {
  const char* Name;
  UnixTime Unix;
  uint64_t FileTimeTicks;
  const char* Utc;
};

class TimeConversion : public testing::TestWithParam<TimeCase> {};

TEST_P(TimeConversion, GoesBothWaysAndReadsAsUtc) {
  const TimeCase& c = GetParam();
  EXPECT_EQ(FileTimeFromUnix(c.Unix), Ticks(c.FileTimeTicks));
  const UnixTime back = UnixFromFileTime(Ticks(c.FileTimeTicks));
  EXPECT_EQ(back.Seconds, c.Unix.Seconds);
  EXPECT_EQ(back.Nanoseconds, c.Unix.Nanoseconds / 100 * 100);
  EXPECT_EQ(FormatUtc(Ticks(c.FileTimeTicks)), c.Utc);
}

INSTANTIATE_TEST_SUITE_P(
    Times, TimeConversion,
    testing::Values(
        TimeCase{"FileTimeZero", {-11644473600, 0}, 0, "1601-01-01 00:00:00"},
        TimeCase{"UnixEpoch", {0, 0}, 116444736000000000ULL, "1970-01-01 00:00:00"},
        TimeCase{"SecondBeforeTheUnixEpoch", {-1, 0}, 116444735990000000ULL, "1969-12-31 23:59:59"},
        TimeCase{"ArchiveExample", {1430347196, 0}, 0x01D082CD6A798600ULL, "2015-04-29 22:39:56"},
        TimeCase{"NanosecondsCutTo100",
                 {1430347196, 123456789},
                 0x01D082CD6A798600ULL + 1234567,
                 "2015-04-29 22:39:56"},
        TimeCase{"LeapDay", {1709208000, 500}, 133536816000000005ULL, "2024-02-29 12:00:00"},
        TimeCase{"CenturyLeapYear", {951868799, 0}, 125963423990000000ULL, "2000-02-29 23:59:59"},
        TimeCase{"NonLeapCentury", {-2203891200, 0}, 94405824000000000ULL, "1900-03-01 00:00:00"},
        TimeCase{"LastFileTime",
                 {910692730085, 477580700},
                 0x7FFFFFFFFFFFFFFFULL,
                 "30828-09-14 02:48:05"}),
    [](const testing::TestParamInfo<TimeCase>& info) { return info.param.Name; });

TEST(FileTimeFromUnix, RefusesTimesWithoutAFileTime) {
  EXPECT_EQ(FileTimeFromUnix({-11644473601, 999999999}), std::nullopt);
  EXPECT_EQ(FileTimeFromUnix({910692730085, 477580800}), std::nullopt);
  EXPECT_EQ(FileTimeFromUnix({INT64_MAX, 0}), std::nullopt);
  EXPECT_EQ(FileTimeFromUnix({INT64_MIN, 0}), std::nullopt);
}

}  // namespace
}  // namespace tolma::driverpack
