#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/driverpack/PathCollisions.h"

namespace tolma::driverpack {
namespace {

struct CollisionCase {
  const char* Name;
  std::vector<std::string_view> Paths;
  std::vector<std::pair<size_t, size_t>> Pairs;  // earlier, later
  const char* Why;                               // of the first pair
};

class FindCollisions : public testing::TestWithParam<CollisionCase> {};

TEST_P(FindCollisions, FindsThePathsWindowsTakesForOneFile) {
  const std::vector<PathCollision> found = FindPathCollisions(GetParam().Paths);
  std::vector<std::pair<size_t, size_t>> pairs;
  pairs.reserve(found.size());
  for (const PathCollision& collision : found)
    pairs.emplace_back(collision.Earlier, collision.Later);
  EXPECT_EQ(pairs, GetParam().Pairs);
  if (!found.empty()) {
    EXPECT_EQ(found[0].Why, GetParam().Why);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FindCollisions,
    testing::Values(
        CollisionCase{"Distinct", {"a.inf", "b.inf", "sub\\a.inf"}, {}, ""},
        CollisionCase{"FoldersSharedInAnyCase", {"Sub\\a.inf", "sub\\b.inf"}, {}, ""},
        CollisionCase{"SharpSIsNoPair",
                      {"stra\xDF"
                       "e.inf",
                       "STRASSE.inf"},
                      {},
                      ""},
        CollisionCase{"AsciiCase",
                      {"Drv.inf", "x.sys", "dRV.INF"},
                      {{0, 2}},
                      "names that differ only in letter case"},
        CollisionCase{"SamePath", {"a.inf", "a.inf"}, {{0, 1}}, "the same path twice"},
        CollisionCase{"AccentedCapital",
                      {"\xC4nderung.inf", "\xE4nderung.inf"},
                      {{0, 1}},
                      "names that differ only in letter case"},
        CollisionCase{
            "SCaron", {"\x8A.inf", "\x9A.inf"}, {{0, 1}}, "names that differ only in letter case"},
        CollisionCase{
            "YDiaeresis", {"\x9F", "\xFF"}, {{0, 1}}, "names that differ only in letter case"},
        CollisionCase{"DivisionSignHasNoCase", {"\xF7", "\xD7"}, {}, ""},
        CollisionCase{"FileWhereAFolderIsNeeded",
                      {"SUB", "sub\\x.inf"},
                      {{0, 1}},
                      "a file whose name the other path needs as a folder"},
        CollisionCase{"DeeperFolder",
                      {"a\\B\\c.inf", "a\\b"},
                      {{0, 1}},
                      "a file whose name the other path needs as a folder"}),
    [](const testing::TestParamInfo<CollisionCase>& info) { return info.param.Name; });

TEST(FoldCase, UpperCasesTheLettersOfTheCodePage) {
  EXPECT_EQ(FoldCase("abc\\xyz.inf"), "ABC\\XYZ.INF");
  EXPECT_EQ(FoldCase("\xE0\xFE\x9A\x9C\x9E\xFF"), "\xC0\xDE\x8A\x8C\x8E\x9F");
  EXPECT_EQ(FoldCase("\xDF\xF7\xB5"
                     "09[]"),
            "\xDF\xF7\xB5"
            "09[]");
}

}  // namespace
}  // namespace tolma::driverpack
