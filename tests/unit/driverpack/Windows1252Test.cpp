#include <gtest/gtest.h>

#include <string>

#include "tools/driverpack/Windows1252.h"

namespace tolma::driverpack {
namespace {

struct CharacterCase {
  const char* Name;
  std::string Utf8;
  std::string Windows1252;
};

class Representable : public testing::TestWithParam<CharacterCase> {};

TEST_P(Representable, ConvertsBothWays) {
  EXPECT_EQ(Utf8ToWindows1252(GetParam().Utf8), GetParam().Windows1252);
  EXPECT_EQ(Windows1252ToUtf8(GetParam().Windows1252), GetParam().Utf8);
}

INSTANTIATE_TEST_SUITE_P(Characters, Representable,
                         testing::Values(CharacterCase{"Ascii", "drv\\x64 .inf", "drv\\x64 .inf"},
                                         CharacterCase{"Empty", "", ""},
                                         CharacterCase{"EAcute", "caf\xC3\xA9", "caf\xE9"},
                                         CharacterCase{"Euro", "\xE2\x82\xAC", "\x80"},
                                         CharacterCase{"Ellipsis", "\xE2\x80\xA6", "\x85"},
                                         CharacterCase{"CapitalYDiaeresis", "\xC5\xB8", "\x9F"},
                                         CharacterCase{"SmallYDiaeresis", "\xC3\xBF", "\xFF"},
                                         CharacterCase{"NoBreakSpace", "\xC2\xA0", "\xA0"},
                                         CharacterCase{"UndefinedByte81", "\xC2\x81", "\x81"},
                                         CharacterCase{"UndefinedByte9D", "\xC2\x9D", "\x9D"}),
                         [](const testing::TestParamInfo<CharacterCase>& info) {
                           return info.param.Name;
                         });

struct RefusedCase {
  const char* Name;
  std::string Utf8;
};

class NotRepresentable : public testing::TestWithParam<RefusedCase> {};

TEST_P(NotRepresentable, GivesNone) { EXPECT_EQ(Utf8ToWindows1252(GetParam().Utf8), std::nullopt); }

INSTANTIATE_TEST_SUITE_P(
    Names, NotRepresentable,
    testing::Values(
        RefusedCase{"CCircumflex", "\xC4\x89"}, RefusedCase{"Cjk", "\xE4\xB8\xAD.inf"},
        RefusedCase{"Emoji", "\xF0\x9F\x98\x80"}, RefusedCase{"ControlU0080", "\xC2\x80"},
        RefusedCase{"Latin1Byte", "caf\xE9"}, RefusedCase{"TruncatedTwoByte", "\xC3"},
        RefusedCase{"TruncatedThreeByte", "\xE2\x82"}, RefusedCase{"LoneContinuation", "\x80"},
        RefusedCase{"OverlongSlash", "\xC0\xAF"}, RefusedCase{"OverlongThreeByte", "\xE0\x80\xAF"},
        RefusedCase{"Surrogate", "\xED\xA0\x80"}, RefusedCase{"BeyondUnicode", "\xF4\x90\x80\x80"},
        RefusedCase{"FiveByteLead", "\xF8\x88\x80\x80\x80"}),
    [](const testing::TestParamInfo<RefusedCase>& info) { return info.param.Name; });

TEST(Windows1252, EveryByteSurvivesTheRoundTrip) {
  for (int byte = 0; byte < 256; ++byte) {
    const std::string text(1, static_cast<char>(byte));
    EXPECT_EQ(Utf8ToWindows1252(Windows1252ToUtf8(text)), text) << byte;
  }
}

}  // namespace
}  // namespace tolma::driverpack
