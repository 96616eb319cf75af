#include <gtest/gtest.h>

#include <string>

#include "installer/EmbeddedArchive.h"

namespace tolma {
namespace {

// The marker around a field, assembled from its parts so that no source holds it whole.
ArchiveMarkerBytes Marker(const std::string& field, std::string_view start = kMarkerStart,
                          std::string_view end = kMarkerEnd) {
  const std::string bytes = std::string(start) + field + std::string(end);
  ArchiveMarkerBytes marker{};
  std::copy(bytes.begin(), bytes.end(), marker.begin());
  return marker;
}

struct MarkerCase {
  const char* Name;
  std::string Field;
  int32_t Offset;
};

class DecodeMarker : public testing::TestWithParam<MarkerCase> {};

TEST_P(DecodeMarker, GivesTheArchiveOffset) {
  EXPECT_EQ(DecodeArchiveMarker(Marker(GetParam().Field)), GetParam().Offset);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, DecodeMarker,
    testing::Values(MarkerCase{"NoArchive", std::string(kMarkerNoArchive), 0},
                    MarkerCase{"ReleasedOffset", std::string("\x00\x28\x05\x00", 4), 337920},
                    MarkerCase{"One", std::string("\x01\x00\x00\x00", 4), 1},
                    MarkerCase{"Largest", std::string("\xFF\xFF\xFF\x7F", 4), 2147483647},
                    MarkerCase{"LastByte80", std::string("\x00\x00\x00\x80", 4), 0},
                    MarkerCase{"AllFF", std::string("\xFF\xFF\xFF\xFF", 4), 0},
                    MarkerCase{"LastByteC3", std::string("\x00\x28\x05\xC3", 4), 0},
                    MarkerCase{"ZeroField", std::string(4, '\0'), 0},
                    MarkerCase{"AlmostNoArchive", "XXXY", 0x59585858},
                    MarkerCase{"LowerCaseX", "xxxx", 0x78787878}),
    [](const testing::TestParamInfo<MarkerCase>& info) { return info.param.Name; });

TEST(DecodeMarker, NeverReadsTheDelimiters) {
  const std::string field("\x00\x28\x05\x00", 4);
  EXPECT_EQ(DecodeArchiveMarker(Marker(field, "????", "????")), 337920);
  EXPECT_EQ(DecodeArchiveMarker(Marker(std::string(kMarkerNoArchive), "abcd", "efgh")), 0);
}

}  // namespace
}  // namespace tolma
