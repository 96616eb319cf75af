#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "container/DIFFChunks.h"
#include "tests/unit/container/ChunkBytes.h"

namespace tolma {
namespace {

std::string ReadSeed(const std::string& name) {
  std::ifstream file(std::string(DI_SEED_CORPUS_DIR) + "/" + name, std::ios::binary);
  EXPECT_TRUE(file.is_open()) << name;
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The fuzzer starts from the worked examples; they must stay exactly those bytes.
TEST(SeedCorpusTest, HoldsTheWorkedExamples) {
  EXPECT_EQ(ReadSeed("example-record.bin"), test::kRecordExample);
  EXPECT_EQ(ReadSeed("example-root.bin"), test::kRootExample);
  EXPECT_EQ(ReadSeed("example-created.bin"), test::kCreatedExample);
}

TEST(SeedCorpusTest, TheArchiveSeedLoadsAndSavesBackUnchanged) {
  const std::string archive = ReadSeed("archive-three-files.bin");
  TDIFFChunk root;
  root.LoadFromString(archive);
  EXPECT_EQ(root.Tag, "FILES");
  ASSERT_EQ(root.Chunks.size(), 3U);
  EXPECT_EQ(root.Chunks[1]->GetHeaderValue("Content"), test::AllByteValues());
  EXPECT_EQ(root.SaveToString(), archive);
}

}  // namespace
}  // namespace tolma
