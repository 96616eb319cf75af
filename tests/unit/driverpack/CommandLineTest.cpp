#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/driverpack/CommandLine.h"
#include "tools/driverpack/ToolError.h"

namespace tolma::driverpack {
namespace {

TEST(ParseCommandLine, ReadsABuild) {
  const Invocation build = ParseCommandLine(
      {"build", "--stub", "DriverInstall.exe", "--output=Setup.exe", "-v", "--force", "drivers"});
  EXPECT_EQ(build.Command, Action::Build);
  EXPECT_EQ(build.Stub, "DriverInstall.exe");
  EXPECT_EQ(build.Output, "Setup.exe");
  EXPECT_TRUE(build.Force);
  EXPECT_TRUE(build.Verbose);
  EXPECT_EQ(build.Operands, std::vector<std::string>{"drivers"});
}

TEST(ParseCommandLine, TakesOperandsAfterTheEndOfOptions) {
  const Invocation extract = ParseCommandLine({"extract", "--", "-Setup.exe", "--force"});
  EXPECT_EQ(extract.Command, Action::Extract);
  EXPECT_FALSE(extract.Force);
  EXPECT_EQ(extract.Operands, (std::vector<std::string>{"-Setup.exe", "--force"}));
}

TEST(ParseCommandLine, HelpAndVersionNeedNothingElse) {
  EXPECT_EQ(ParseCommandLine({"--help"}).Command, Action::Help);
  EXPECT_EQ(ParseCommandLine({"build", "--stub", "s.exe", "-h"}).Command, Action::Help);
  EXPECT_EQ(ParseCommandLine({"--version"}).Command, Action::Version);
  EXPECT_EQ(ParseCommandLine({"list", "--version"}).Command, Action::Version);
}

TEST(ParseCommandLine, ReadsListVerifyAndExtract) {
  EXPECT_EQ(ParseCommandLine({"list", "Setup.exe"}).Command, Action::List);
  EXPECT_EQ(ParseCommandLine({"verify", "Setup.exe"}).Command, Action::Verify);
  const Invocation extract = ParseCommandLine({"extract", "Setup.exe", "out", "--verbose"});
  EXPECT_EQ(extract.Command, Action::Extract);
  EXPECT_TRUE(extract.Verbose);
  EXPECT_EQ(extract.Operands, (std::vector<std::string>{"Setup.exe", "out"}));
}

struct UsageCase {
  const char* Name;
  std::vector<std::string> Args;
  const char* Message;
};

class BadUsage : public testing::TestWithParam<UsageCase> {};

TEST_P(BadUsage, IsAUsageError) {
  try {
    (void)ParseCommandLine(GetParam().Args);
    FAIL() << "accepted";
  } catch (const UsageError& error) {
    EXPECT_EQ(error.Message(), GetParam().Message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, BadUsage,
    testing::Values(
        UsageCase{"Nothing", {}, "no command given"},
        UsageCase{"OnlyOptions", {"--force"}, "no command given"},
        UsageCase{"UnknownCommand", {"pack", "x"}, "unknown command pack"},
        UsageCase{"UnknownOption", {"list", "--all", "x"}, "unknown option --all"},
        UsageCase{"NoStub", {"build", "--output", "o.exe", "d"}, "build needs --stub and --output"},
        UsageCase{"NoOutput", {"build", "--stub", "s.exe", "d"}, "build needs --stub and --output"},
        UsageCase{"StubWithoutValue", {"build", "d", "--stub"}, "--stub needs a file name"},
        UsageCase{"EmptyOutput",
                  {"build", "--stub", "s", "--output=", "d"},
                  "--output needs a file name"},
        UsageCase{"StubTwice",
                  {"build", "--stub", "a", "--stub", "b", "--output", "o", "d"},
                  "--stub is given twice"},
        UsageCase{"NoFolder", {"build", "--stub", "s", "--output", "o"}, "build takes FOLDER"},
        UsageCase{"TwoFolders",
                  {"build", "--stub", "s", "--output", "o", "d", "e"},
                  "build takes FOLDER"},
        UsageCase{"ListTwoFiles", {"list", "a.exe", "b.exe"}, "list takes Setup.exe"},
        UsageCase{"VerifyNoFile", {"verify"}, "verify takes Setup.exe"},
        UsageCase{"ExtractNoFolder", {"extract", "a.exe"}, "extract takes Setup.exe FOLDER"},
        UsageCase{"StubForList", {"list", "--stub", "s", "a.exe"}, "list takes no option --stub"},
        UsageCase{"ForceForVerify", {"verify", "-f", "a.exe"}, "verify takes no option -f"},
        UsageCase{"OutputForExtract",
                  {"extract", "--output", "o", "a.exe", "d"},
                  "extract takes no option --output"}),
    [](const testing::TestParamInfo<UsageCase>& info) { return info.param.Name; });

}  // namespace
}  // namespace tolma::driverpack
