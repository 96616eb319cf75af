#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/EmbeddedArchive.h"
#include "tools/driverpack/MarkerSearch.h"

namespace tolma::driverpack {
namespace {

// The marker around a field, from its parts.
std::string Marker(const std::string& field) {
  return std::string(kMarkerStart) + field + std::string(kMarkerEnd);
}

struct SearchCase {
  const char* Name;
  std::string Bytes;
  std::vector<size_t> Positions;
};

class FindMarkers : public testing::TestWithParam<SearchCase> {};

TEST_P(FindMarkers, FindsEveryMarkerWithAnyField) {
  EXPECT_EQ(FindArchiveMarkers(GetParam().Bytes), GetParam().Positions);
}

INSTANTIATE_TEST_SUITE_P(
    Images, FindMarkers,
    testing::Values(SearchCase{"None", std::string(64, 'a'), {}}, SearchCase{"Empty", "", {}},
                    SearchCase{"One", "abc" + Marker("XXXX") + "def", {3}},
                    SearchCase{"Filled", Marker(std::string("\x00\x28\x05\x00", 4)), {0}},
                    SearchCase{"Two", Marker("XXXX") + "...." + Marker("1234"), {0, 16}},
                    SearchCase{"StartWithoutEnd", std::string(kMarkerStart) + "XXXXvbn", {}},
                    SearchCase{"CutAtTheEnd", "ab" + Marker("XXXX").substr(0, 11), {}},
                    SearchCase{"StartTwice", std::string(kMarkerStart) + Marker("XXXX"), {4}},
                    SearchCase{"EndWithoutStart", "abcdXXXX" + std::string(kMarkerEnd), {}}),
    [](const testing::TestParamInfo<SearchCase>& info) { return info.param.Name; });

TEST(MarkerAt, GivesTheTwelveBytes) {
  const std::string image = "ab" + Marker(std::string("\x00\x28\x05\x00", 4)) + "cd";
  const ArchiveMarkerBytes marker = MarkerAt(image, 2);
  EXPECT_EQ(std::string(marker.begin(), marker.end()), image.substr(2, 12));
  EXPECT_EQ(DecodeArchiveMarker(marker), 337920);
}

}  // namespace
}  // namespace tolma::driverpack
