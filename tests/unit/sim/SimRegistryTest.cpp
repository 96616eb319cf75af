#include "platform/sim/SimRegistry.h"

#include <gtest/gtest.h>

namespace tolma::sim {
namespace {

constexpr uint32_t kAllAccess = 0xF003F;
constexpr uint32_t kKeyRead = 0x20019;

TEST(SimRegistryTest, OpenWithoutCreateFailsForAMissingKeyAndCreateMakesTheChain) {
  SimRegistry registry;
  EXPECT_FALSE(registry.OpenLocalMachine("Software\\TOLMA\\INF", kAllAccess, false));
  EXPECT_FALSE(registry.KeyExists("Software\\TOLMA"));
  {
    const auto key = registry.OpenLocalMachine("Software\\TOLMA\\INF", kAllAccess, true);
    ASSERT_TRUE(key);
    EXPECT_EQ(registry.OpenKeyCount(), 1);
  }
  EXPECT_EQ(registry.OpenKeyCount(), 0);
  EXPECT_TRUE(registry.KeyExists("SOFTWARE\\tolma"));
  EXPECT_TRUE(registry.OpenLocalMachine("software\\Tolma\\inf", kAllAccess, false));
  ASSERT_EQ(registry.OpenCalls().size(), 3u);
  EXPECT_FALSE(registry.OpenCalls()[0].Opened);
  EXPECT_TRUE(registry.OpenCalls()[1].Create);
  EXPECT_EQ(registry.OpenCalls()[2].Rights, kAllAccess);
}

TEST(SimRegistryTest, ValuesKeepOrderTypeAndBytesAndNamesCompareWithoutCase) {
  SimRegistry registry;
  registry.PlantValue("Software\\K", "Count", {platform::kRegDword, std::string("\x01\0\0\0", 4)});
  const auto key = registry.OpenLocalMachine("Software\\K", kAllAccess, false);
  ASSERT_TRUE(key);
  EXPECT_TRUE(key->WriteString("C:\\A\\x.inf", "oem3.inf"));
  EXPECT_TRUE(key->WriteString("", "default"));
  EXPECT_TRUE(key->WriteString("c:\\a\\X.INF", "oem4.inf"));  // the same value again
  EXPECT_EQ(key->ValueNames(), (std::vector<std::string>{"Count", "C:\\A\\x.inf", ""}));
  const auto value = key->ReadValue("C:\\A\\X.inf");
  ASSERT_TRUE(value);
  EXPECT_EQ(value->Type, platform::kRegSz);
  EXPECT_EQ(value->Data, std::string("oem4.inf\0", 9));
  EXPECT_EQ(key->ReadValue("Count")->Type, platform::kRegDword);
  EXPECT_TRUE(key->DeleteValue("COUNT"));
  EXPECT_FALSE(key->DeleteValue("Count"));
  EXPECT_FALSE(key->ReadValue("Count"));
}

TEST(SimRegistryTest, AKeyOpenedForReadingRefusesChanges) {
  SimRegistry registry;
  registry.PlantString("Software\\K", "a", "1");
  const auto key = registry.OpenLocalMachine("Software\\K", kKeyRead, false);
  ASSERT_TRUE(key);
  EXPECT_FALSE(key->WriteString("b", "2"));
  EXPECT_FALSE(key->DeleteValue("a"));
  EXPECT_TRUE(key->ReadValue("a"));
  const auto setOnly = registry.OpenLocalMachine("Software\\K", kKeySetValue, false);
  EXPECT_FALSE(setOnly->ValueNames());
  EXPECT_FALSE(setOnly->ReadValue("a"));
}

TEST(SimRegistryTest, FaultSwitches) {
  SimRegistry registry;
  registry.PlantString("Software\\K", "a", "1");
  registry.PlantString("Software\\K", "b", "2");
  registry.VanishOnFirstRead("Software\\K", "b");
  const auto key = registry.OpenLocalMachine("Software\\K", kAllAccess, false);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->ValueNames()->size(), 2u);
  EXPECT_FALSE(key->ReadValue("b"));
  EXPECT_EQ(key->ValueNames(), (std::vector<std::string>{"a"}));

  registry.RefuseWritesAfter(1);
  EXPECT_TRUE(key->WriteString("c", "3"));
  EXPECT_FALSE(key->WriteString("d", "4"));
  registry.RefuseWrites(false);
  EXPECT_TRUE(key->WriteString("d", "4"));
  registry.RefuseWrites(true);
  EXPECT_FALSE(key->WriteString("e", "5"));
  registry.RefuseDeletes(true);
  EXPECT_FALSE(key->DeleteValue("a"));
  registry.RefuseListing(true);
  EXPECT_FALSE(key->ValueNames());

  registry.DenyKey("software\\k");
  EXPECT_FALSE(registry.OpenLocalMachine("Software\\K", kAllAccess, false));
  EXPECT_FALSE(registry.OpenLocalMachine("Software\\K", kAllAccess, true));
  EXPECT_TRUE(registry.OpenLocalMachine("Software", kAllAccess, false));
}

}  // namespace
}  // namespace tolma::sim
