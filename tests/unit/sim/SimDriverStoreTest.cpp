#include "platform/sim/SimDriverStore.h"

#include <gtest/gtest.h>

#include <ostream>

#include <string>

namespace tolma::sim {
namespace {

class SimDriverStoreTest : public testing::Test {
 protected:
  bool Publish(platform::SetupApi& api, const std::string& source) {
    buffer_.assign(283, '\0');
    size_ = 283;
    return api.CopyOEMInf(source, buffer_.data(), 283, &size_);
  }
  [[nodiscard]] std::string Reported() const { return buffer_.substr(0, size_ - 1); }

  SimVolume volume_;
  SimThreads threads_;
  SimDriverStore store_{volume_, threads_};
  std::string buffer_;
  uint32_t size_ = 0;
};

TEST_F(SimDriverStoreTest, PublishingNamesCopiesAndGivesTheSameNameForTheSameContent) {
  volume_.AddFile("C:\\D\\a.inf", "[Version] a");
  volume_.AddFile("C:\\D\\b.inf", "[Version] b");
  volume_.AddFile("C:\\D\\Sub\\a-again.inf", "[Version] a");
  const auto api = store_.Bind();
  ASSERT_TRUE(api->HasCopyOEMInf());

  ASSERT_TRUE(Publish(*api, "C:\\D\\a.inf"));
  EXPECT_EQ(Reported(), "C:\\Windows\\INF\\oem0.inf");
  EXPECT_EQ(size_, Reported().size() + 1);
  EXPECT_EQ(buffer_[size_ - 1], '\0');
  ASSERT_TRUE(Publish(*api, "C:\\D\\b.inf"));
  EXPECT_EQ(Reported(), "C:\\Windows\\INF\\oem1.inf");
  ASSERT_TRUE(Publish(*api, "C:\\D\\Sub\\a-again.inf"));
  EXPECT_EQ(Reported(), "C:\\Windows\\INF\\oem0.inf");

  ASSERT_EQ(store_.Published().size(), 2u);
  EXPECT_EQ(volume_.Content("C:\\Windows\\INF\\oem1.inf"), "[Version] b");
  ASSERT_EQ(store_.CopyCalls().size(), 3u);
  EXPECT_EQ(store_.CopyCalls()[2].Source, "C:\\D\\Sub\\a-again.inf");
  EXPECT_EQ(store_.CopyCalls()[2].Destination, "C:\\Windows\\INF\\oem0.inf");
}

TEST_F(SimDriverStoreTest, FailuresLeaveGarbageAndPublishNothing) {
  volume_.AddFile("C:\\D\\a.inf", "x");
  const auto api = store_.Bind();
  EXPECT_FALSE(Publish(*api, "C:\\D\\missing.inf"));
  EXPECT_EQ(store_.CopyCalls().back().Error, platform::kErrorFileNotFound);
  EXPECT_NE(buffer_[0], '\0');
  EXPECT_NE(size_, 283u);

  store_.FailCopies(kErrorAccessDenied);
  EXPECT_FALSE(Publish(*api, "C:\\D\\a.inf"));
  EXPECT_EQ(store_.CopyCalls().back().Error, kErrorAccessDenied);
  store_.FailCopies(std::nullopt);
  volume_.AddFile("C:\\D\\b.inf", "y");
  store_.FailCopyOf("c:\\d\\B.INF", kErrorAccessDenied);
  EXPECT_FALSE(Publish(*api, "C:\\D\\b.inf"));
  EXPECT_EQ(store_.CopyCalls().back().Error, kErrorAccessDenied);

  char small[10] = {};
  uint32_t required = 10;
  EXPECT_FALSE(api->CopyOEMInf("C:\\D\\a.inf", small, sizeof small, &required));
  EXPECT_EQ(required, std::string("C:\\Windows\\INF\\oem0.inf").size() + 1);
  EXPECT_EQ(store_.CopyCalls().back().Error, kErrorInsufficientBuffer);
  EXPECT_TRUE(store_.Published().empty());
}

TEST_F(SimDriverStoreTest, WithdrawalRemovesTheCopyAndAnUnknownNameIsNotFound) {
  store_.PlantPublished("oem0.inf", "a");
  const auto api = store_.Bind();
  EXPECT_EQ(api->UninstallOEMInf("OEM0.INF", platform::kSuoiForceDelete).Succeeded, true);
  EXPECT_FALSE(store_.Holds("oem0.inf"));
  EXPECT_FALSE(volume_.Exists("C:\\Windows\\INF\\oem0.inf"));
  const auto again = api->UninstallOEMInf("oem0.inf", platform::kSuoiForceDelete);
  EXPECT_FALSE(again.Succeeded);
  EXPECT_EQ(again.Error, platform::kErrorFileNotFound);
  EXPECT_EQ(api->UninstallOEMInf("C:\\Windows\\INF\\oem0.inf", 1).Error, kErrorInvalidName);

  store_.PlantPublished("oem1.inf", "b");
  store_.FailUninstalls(kErrorAccessDenied);
  EXPECT_EQ(api->UninstallOEMInf("oem1.inf", 1).Error, kErrorAccessDenied);
  EXPECT_TRUE(store_.Holds("oem1.inf"));
  EXPECT_EQ(store_.UninstallCalls().size(), 4u);
}

TEST_F(SimDriverStoreTest, NamesAreReusedOnceWithdrawn) {
  volume_.AddFile("C:\\D\\a.inf", "a");
  volume_.AddFile("C:\\D\\b.inf", "b");
  const auto api = store_.Bind();
  ASSERT_TRUE(Publish(*api, "C:\\D\\a.inf"));
  ASSERT_TRUE(api->UninstallOEMInf("oem0.inf", 1).Succeeded);
  ASSERT_TRUE(Publish(*api, "C:\\D\\b.inf"));
  EXPECT_EQ(Reported(), "C:\\Windows\\INF\\oem0.inf");
}

struct BindingCase {
  const char* Name;
  bool LibraryMissing;
  bool CopyMissing;
  bool UninstallMissing;
  bool HasCopy;
  bool HasUninstall;
  int Loaded;
  friend void PrintTo(const BindingCase& c, std::ostream* os) { *os << c.Name; }
};

class SimDriverStoreBindingTest : public SimDriverStoreTest,
                                  public testing::WithParamInterface<BindingCase> {};

TEST_P(SimDriverStoreBindingTest, EntryPointsAsBound) {
  const BindingCase& c = GetParam();
  store_.SetLibraryMissing(c.LibraryMissing);
  store_.SetCopyEntryMissing(c.CopyMissing);
  store_.SetUninstallEntryMissing(c.UninstallMissing);
  {
    const auto api = store_.Bind();
    EXPECT_EQ(api->HasCopyOEMInf(), c.HasCopy);
    EXPECT_EQ(api->HasUninstallOEMInf(), c.HasUninstall);
    EXPECT_EQ(store_.LoadedModules(), c.Loaded);
  }
  EXPECT_EQ(store_.LoadedModules(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimDriverStoreBindingTest,
    testing::Values(BindingCase{"Present", false, false, false, true, true, 1},
                    BindingCase{"NoLibrary", true, false, false, false, false, 0},
                    BindingCase{"NoCopy", false, true, false, false, true, 1},
                    BindingCase{"NoUninstall", false, false, true, true, false, 1}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace tolma::sim
