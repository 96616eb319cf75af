#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "container/DIFFChunks.h"

namespace tolma {
namespace {

// The alphabet as the format defines it, written out independently of the container's table.
std::map<uint8_t, uint8_t> ExpectedIndexOfByte() {
  std::map<uint8_t, uint8_t> index = {
      {0x00, 0},  {0x20, 1},  {0x28, 2},  {0x29, 3},  {0x5B, 4},  {0x5D, 5},  {0x5C, 6},
      {0x7C, 7},  {0x2F, 8},  {0x3F, 9},  {0x21, 10}, {0x95, 11}, {0x3B, 12}, {0x3A, 13},
      {0x2C, 14}, {0x2E, 15}, {0x2B, 52}, {0xB1, 53}, {0x2D, 54}, {0x3D, 55}, {0x7E, 63}};
  for (uint8_t d = 0; d < 10; ++d) index[static_cast<uint8_t>('0' + d)] = 16 + d;
  for (uint8_t c = 0; c < 26; ++c) index[static_cast<uint8_t>('A' + c)] = 26 + c;
  return index;
}

TEST(TagAlphabetTest, HoldsTheSixtyFourCharactersInOrder) {
  for (const auto& [byte, index] : ExpectedIndexOfByte()) {
    EXPECT_EQ(TagAlphabet[index], byte) << "index " << int{index};
  }
  for (size_t i = 56; i < 64; ++i) EXPECT_EQ(TagAlphabet[i], 0x7E) << "index " << i;
}

TEST(TagCharIndexTest, MapsEveryByteAsTheBuildLeavesIt) {
  const auto expected = ExpectedIndexOfByte();
  for (unsigned byte = 0; byte < 256; ++byte) {
    const auto found = expected.find(static_cast<uint8_t>(byte));
    const uint8_t want = found == expected.end() ? 0 : found->second;
    EXPECT_EQ(TagCharIndex[byte], want) << "byte 0x" << std::hex << byte;
  }
}

struct WorkedValue {
  std::string Tag;
  bool HasChunkList;
  bool HasHeader;
  uint32_t Word;
  std::string Stored;
};

// Names the case in failure reports.
void PrintTo(const WorkedValue& value, std::ostream* os) {
  *os << "word 0x" << std::hex << value.Word;
}

class TagWorkedValueTest : public testing::TestWithParam<WorkedValue> {};

TEST_P(TagWorkedValueTest, PacksAndUnpacks) {
  const WorkedValue& value = GetParam();
  EXPECT_EQ(PackTag(value.Tag, value.HasChunkList, value.HasHeader), value.Word);
  EXPECT_EQ(PackLongWord(value.Word), value.Stored);
  const UnpackedTag unpacked = UnpackTag(value.Word);
  EXPECT_EQ(unpacked.Tag, value.Tag);
  EXPECT_EQ(unpacked.HasChunkList, value.HasChunkList);
  EXPECT_EQ(unpacked.HasHeader, value.HasHeader);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedValues, TagWorkedValueTest,
    testing::Values(WorkedValue{"FILES", true, false, 0xB1E9627E, "\x7E\x62\xE9\xB1"},
                    WorkedValue{"1FILE", false, true, 0x7A589F45, "\x45\x9F\x58\x7A"},
                    WorkedValue{std::string(5, '\0'), false, false, 0, std::string(4, '\0')},
                    WorkedValue{"~~~~~", true, true, 0xFFFFFFFF, "\xFF\xFF\xFF\xFF"}));

TEST(UnpackTagTest, FlagsComeFromTheLowTwoBits) {
  for (uint32_t flags = 0; flags < 4; ++flags) {
    const UnpackedTag unpacked = UnpackTag(0xB1E9627C | flags);
    EXPECT_EQ(unpacked.Tag, "FILES");
    EXPECT_EQ(unpacked.HasHeader, (flags & 1U) != 0);
    EXPECT_EQ(unpacked.HasChunkList, (flags & 2U) != 0);
  }
}

TEST(PackTagTest, BytesOutsideTheAlphabetPackAsNul) {
  const std::string nul(5, '\0');
  const std::vector<std::string> outside = {"files", "abcde",
                                            std::string("\x01\x7F\x80\xFF\x85", 5), "#$%&*"};
  for (const auto& tag : outside) {
    for (int flags = 0; flags < 4; ++flags) {
      const bool list = (flags & 2) != 0;
      const bool header = (flags & 1) != 0;
      EXPECT_EQ(PackTag(tag, list, header), PackTag(nul, list, header)) << tag;
    }
    EXPECT_EQ(UnpackTag(PackTag(tag, false, false)).Tag, nul) << tag;
  }
}

TEST(PackTagTest, OutsideBytesReadBackAsNulWhileTheOthersStay) {
  const UnpackedTag unpacked = UnpackTag(PackTag("AbC~d", true, false));
  EXPECT_EQ(unpacked.Tag, std::string("A\0C~\0", 5));
  EXPECT_TRUE(unpacked.HasChunkList);
  EXPECT_FALSE(unpacked.HasHeader);
}

// Each character in turn, at each of the five positions: the index lands in bits 2+6k and the
// byte reads back as itself.
TEST(PackTagTest, EachAlphabetByteAtEachPosition) {
  for (const auto& [byte, index] : ExpectedIndexOfByte()) {
    for (unsigned k = 0; k < 5; ++k) {
      std::string tag(5, '\0');
      tag[k] = static_cast<char>(byte);
      EXPECT_EQ(PackTag(tag, false, false), static_cast<uint32_t>(index) << (2U + 6U * k))
          << "byte 0x" << std::hex << int{byte} << " at " << k;
      EXPECT_EQ(UnpackTag(PackTag(tag, false, false)).Tag, tag);
    }
  }
}

TEST(PackTagTest, BulletPlusMinusAndTildePackToTheirIndices) {
  struct Case {
    char Byte;
    uint32_t Index;
  };
  for (const Case& c : {Case{'\x95', 11}, Case{'\xB1', 53}, Case{'~', 63}}) {
    EXPECT_EQ(PackTag(std::string(5, c.Byte), false, false) >> 26U, c.Index);
    EXPECT_EQ(UnpackTag(c.Index << 2U).Tag, std::string(1, c.Byte) + std::string(4, '\0'));
  }
}

TEST(UnpackTagTest, TildeIndicesFiftySixToSixtyTwoPackBackAsSixtyThree) {
  for (uint32_t index = 56; index < 64; ++index) {
    for (unsigned k = 0; k < 5; ++k) {
      const uint32_t word = index << (2U + 6U * k);
      const UnpackedTag unpacked = UnpackTag(word);
      std::string tilde(5, '\0');
      tilde[k] = '~';
      EXPECT_EQ(unpacked.Tag, tilde);
      EXPECT_EQ(PackTag(unpacked.Tag, false, false), 63U << (2U + 6U * k));
    }
  }
}

// For words spread over the whole 32-bit range: the tag is always 5 bytes, and packing it
// back gives the word with every tilde index raised to 63.
TEST(UnpackTagTest, AnyWordGivesFiveBytesAndPacksBack) {
  uint32_t word = 0;
  for (int i = 0; i < 20000; ++i, word = word * 1664525U + 1013904223U) {
    const UnpackedTag unpacked = UnpackTag(word);
    ASSERT_EQ(unpacked.Tag.size(), 5U);
    uint32_t expected = word & 3U;
    for (unsigned k = 0; k < 5; ++k) {
      uint32_t index = (word >> (2U + 6U * k)) & 63U;
      if (index >= 56) index = 63;
      expected |= index << (2U + 6U * k);
    }
    ASSERT_EQ(PackTag(unpacked.Tag, unpacked.HasChunkList, unpacked.HasHeader), expected)
        << std::hex << word;
  }
}

struct BadTag {
  std::string Tag;
  std::string Message;
};

// Names the case in failure reports.
void PrintTo(const BadTag& value, std::ostream* os) { *os << value.Tag.size() << "-byte tag"; }

class PackTagLengthTest : public testing::TestWithParam<BadTag> {};

TEST_P(PackTagLengthTest, RefusesWithTheExactMessage) {
  try {
    (void)PackTag(GetParam().Tag, true, true);
    FAIL() << "packed a tag of " << GetParam().Tag.size() << " bytes";
  } catch (const EDIFFParseError& error) {
    EXPECT_EQ(error.Message(), GetParam().Message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, PackTagLengthTest,
    testing::Values(
        BadTag{"ABCD", "DIFF tag must be 5 characters; cannot pack from 4-char string \"ABCD\"."},
        BadTag{"", "DIFF tag must be 5 characters; cannot pack from 0-char string \"\"."},
        BadTag{"ABCDEF",
               "DIFF tag must be 5 characters; cannot pack from 6-char string \"ABCDEF\"."},
        BadTag{std::string("a\0\x85", 3),
               "DIFF tag must be 5 characters; cannot pack from 3-char string \"" +
                   std::string("a\0\x85", 3) + "\"."},
        BadTag{std::string(300, 'Z'),
               "DIFF tag must be 5 characters; cannot pack from 300-char "
               "string \"" +
                   std::string(300, 'Z') + "\"."}));

}  // namespace
}  // namespace tolma
