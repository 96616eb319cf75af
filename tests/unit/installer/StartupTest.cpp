// Start-up: the mode, the install root, the fonts and sizes of the window, the binding of
// SetupAPI, the job armed once, and the error report's text.

#include <gtest/gtest.h>

#include <ostream>

#include "tests/unit/installer/InstallerFixture.h"

namespace tolma::installer_test {
namespace {

using sim::UiEventKind;

const std::vector<std::pair<unsigned char, unsigned char>> kCodePage932 = {{0x81, 0x9F},
                                                                           {0xE0, 0xFC}};

class FormTest : public InstallerTest {
 protected:
  TMainForm& CreateForm(ArchiveMarkerBytes marker = kNoArchiveMarker) {
    form_ = std::make_unique<TMainForm>(machine_.Services(), application_, marker);
    machine_.Ui.CreateMainWindow(*form_);
    return *form_;
  }

  TApplication application_{machine_.Ui};
  std::unique_ptr<TMainForm> form_;
};

struct ModeCase {
  const char* Name;
  const char* CommandLine;
  bool Uninstall;
  friend void PrintTo(const ModeCase& c, std::ostream* os) { *os << c.Name; }
};

class ModeSelectionTest : public InstallerTest, public testing::WithParamInterface<ModeCase> {};

TEST_P(ModeSelectionTest, StartsTheJobOfTheChosenMode) {
  machine_.System.SetCommandLine(GetParam().CommandLine);

  Run();

  ASSERT_FALSE(StatusTexts().empty());
  EXPECT_EQ(StatusTexts().front(), GetParam().Uninstall ? kUnregistering : kLoading);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ModeSelectionTest,
    testing::Values(
        ModeCase{"NoArguments", "\"C:\\Temp\\DriverInstall.exe\"", false},
        ModeCase{"Upper", "\"C:\\Temp\\DriverInstall.exe\" /UNINSTALL", true},
        ModeCase{"Lower", "\"C:\\Temp\\DriverInstall.exe\" /uninstall", true},
        ModeCase{"Mixed", "\"C:\\Temp\\DriverInstall.exe\" /UnInstall", true},
        ModeCase{"Quoted", "\"C:\\Temp\\DriverInstall.exe\" \"/UNINSTALL\"", true},
        ModeCase{"QuotedRunInside", "\"C:\\Temp\\DriverInstall.exe\" /UN\"INST\"ALL", true},
        ModeCase{"ThirdArgument", "\"C:\\Temp\\DriverInstall.exe\" /quiet x /UNINSTALL", true},
        ModeCase{"AfterEmptyQuotes", "\"C:\\Temp\\DriverInstall.exe\" \"\" /UNINSTALL", true},
        ModeCase{"TabAndControlSeparators", "\"C:\\Temp\\DriverInstall.exe\"\t\x01/UNINSTALL\x1F",
                 true},
        ModeCase{"UnquotedProgramPath", "C:\\Temp\\DriverInstall.exe /UNINSTALL", true},
        ModeCase{"QuotedRunToTheEnd", "\"C:\\Temp\\DriverInstall.exe\" \"/UNINSTALL", true},
        ModeCase{"Dash", "\"C:\\Temp\\DriverInstall.exe\" -UNINSTALL", false},
        ModeCase{"NoSlash", "\"C:\\Temp\\DriverInstall.exe\" UNINSTALL", false},
        ModeCase{"Appended", "\"C:\\Temp\\DriverInstall.exe\" /UNINSTALL:1", false},
        ModeCase{"QuotedWithSpace", "\"C:\\Temp\\DriverInstall.exe\" \"/UNINSTALL \"", false},
        ModeCase{"OnlyTheProgramPath", "/UNINSTALL", false},
        ModeCase{"SpaceInUnquotedPath", "C:\\Program Files\\/UNINSTALL", false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(FormTest, OnlyInstallModeReadsTheMarker) {
  EXPECT_EQ(CreateForm(MarkerFor(1234)).ArchiveOffset, 1234);
  form_.reset();
  sim::SimMachine other;
  other.System.SetCommandLine("\"C:\\Temp\\DriverInstall.exe\" /UNINSTALL");
  TApplication application(other.Ui);
  TMainForm form(other.Services(), application, MarkerFor(1234));
  other.Ui.CreateMainWindow(form);
  EXPECT_EQ(form.ArchiveOffset, 0);
  EXPECT_TRUE(application.HasIdleHook());
}

struct RootCase {
  const char* Name;
  std::optional<std::string> ProgramFiles;
  bool DoubleByteCodePage;
  std::string InstallRoot;
  friend void PrintTo(const RootCase& c, std::ostream* os) { *os << c.Name; }
};

class InstallRootTest : public FormTest, public testing::WithParamInterface<RootCase> {};

TEST_P(InstallRootTest, FollowsTheProgramFilesFolder) {
  machine_.System.SetSpecialFolder(sim::kCsidlProgramFiles, GetParam().ProgramFiles);
  if (GetParam().DoubleByteCodePage) machine_.System.SetLeadByteRanges(kCodePage932);

  EXPECT_EQ(CreateForm().InstallRoot, GetParam().InstallRoot);
  EXPECT_EQ(machine_.System.SpecialFolderRequests(), std::vector<int>{38});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InstallRootTest,
    testing::Values(RootCase{"Normal", "C:\\Program Files", false,
                             "C:\\Program Files\\TOLMA\\Common Drivers\\"},
                    RootCase{"TrailingBackslash", "C:\\Program Files\\", false,
                             "C:\\Program Files\\TOLMA\\Common Drivers\\"},
                    RootCase{"ShellFails", std::nullopt, false, "\\TOLMA\\Common Drivers\\"},
                    RootCase{"EmptyPath", "", false, "\\TOLMA\\Common Drivers\\"},
                    RootCase{"TrailByteIsBackslash", "C:\\\x83\\", true,
                             "C:\\\x83\\\\TOLMA\\Common Drivers\\"},
                    RootCase{"TrailByteThenBackslash", "C:\\\x83\\\\", true,
                             "C:\\\x83\\\\TOLMA\\Common Drivers\\"},
                    RootCase{"SameBytesWithoutLeadBytes", "C:\\\x83\\", false,
                             "C:\\\x83\\TOLMA\\Common Drivers\\"},
                    RootCase{"BufferFullWithoutNul", std::string(300, 'P'), false,
                             std::string(261, 'P') + "\\TOLMA\\Common Drivers\\"}),
    [](const auto& info) { return std::string(info.param.Name); });

struct FontCase {
  const char* Name;
  std::optional<platform::MessageFont> MessageFont;
  int32_t PixelsPerInch;
  platform::WindowFonts Expected;
  friend void PrintTo(const FontCase& c, std::ostream* os) { *os << c.Name; }
};

class SystemFontTest : public FormTest, public testing::WithParamInterface<FontCase> {};

TEST_P(SystemFontTest, GivesTheWindowAndTheStatusLineTheirHeights) {
  machine_.System.SetMessageFont(GetParam().MessageFont);
  machine_.System.SetPixelsPerInch(GetParam().PixelsPerInch);
  CreateForm();

  const platform::WindowFonts& fonts = machine_.Ui.Window()->Fonts();
  EXPECT_EQ(fonts.FaceName, GetParam().Expected.FaceName);
  EXPECT_EQ(fonts.WindowHeight, GetParam().Expected.WindowHeight);
  EXPECT_EQ(fonts.LabelHeight, GetParam().Expected.LabelHeight);
}

const auto SegoeUi = [](int32_t height) {
  return sim::SimSystem::MessageFontOf(height, "Segoe UI");
};

INSTANTIATE_TEST_SUITE_P(
    Cases, SystemFontTest,
    testing::Values(FontCase{"Minus12", SegoeUi(-12), 96, {"Segoe UI", -9, -12}},
                    FontCase{"Minus14HalfToEven", SegoeUi(-14), 96, {"Segoe UI", -10, -13}},
                    FontCase{"Minus10HalfToEven", SegoeUi(-10), 96, {"Segoe UI", -8, -11}},
                    FontCase{"Minus18HalfToEven", SegoeUi(-18), 96, {"Segoe UI", -14, -19}},
                    FontCase{"Minus12At120", SegoeUi(-12), 120, {"Segoe UI", -9, -15}},
                    FontCase{"FallbackAt96", std::nullopt, 96, {"Tahoma", -8, -11}},
                    FontCase{"FallbackAt120", std::nullopt, 120, {"Tahoma", -8, -13}},
                    FontCase{"EmptyFaceKeepsTheDesignFace",
                             sim::SimSystem::MessageFontOf(-12, ""),
                             96,
                             {"MS Sans Serif", -9, -12}},
                    FontCase{"FaceOfThirtyTwoBytes",
                             sim::SimSystem::MessageFontOf(-12, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"),
                             96,
                             {"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", -9, -12}}),
    [](const auto& info) { return std::string(info.param.Name); });

struct HeightCase {
  int32_t PixelsPerInch;
  int32_t ClientHeight;
  friend void PrintTo(const HeightCase& c, std::ostream* os) { *os << c.PixelsPerInch; }
};

class ClientHeightTest : public FormTest, public testing::WithParamInterface<HeightCase> {};

TEST_P(ClientHeightTest, IsTheLabelAndTheBarPlusSixteen) {
  machine_.System.SetPixelsPerInch(GetParam().PixelsPerInch);
  CreateForm();
  EXPECT_EQ(machine_.Ui.Window()->ClientHeight(), GetParam().ClientHeight);
}

INSTANTIATE_TEST_SUITE_P(Cases, ClientHeightTest,
                         testing::Values(HeightCase{96, 64}, HeightCase{120, 76},
                                         HeightCase{144, 88}));

TEST_F(FormTest, StartUpPreparesTheProcessOnce) {
  CreateForm();
  EXPECT_EQ(machine_.System.RedirectionSwitchOffs(), 1);
  EXPECT_EQ(machine_.Store.LoadedModules(), 1);
  EXPECT_TRUE(form_->SetupApiLib && form_->SetupApiLib->HasCopyOEMInf() &&
              form_->SetupApiLib->HasUninstallOEMInf());
  EXPECT_TRUE(application_.HasIdleHook());
  form_->FormDestroy();
  EXPECT_EQ(machine_.Store.LoadedModules(), 0);
}

TEST_F(InstallerTest, TheTitleIsSetBeforeTheWindowIsCreatedAndShownAtItsHeight) {
  AttachArchive({{"a.sys", "x"}});
  Run();
  const auto& events = machine_.Ui.Events();
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events[0], (sim::UiEvent{UiEventKind::Title, kApplicationTitle, 0}));
  EXPECT_EQ(events[1].Kind, UiEventKind::Created);
  const auto shown = std::find_if(events.begin(), events.end(), [](const auto& event) {
    return event.Kind == UiEventKind::Shown;
  });
  ASSERT_NE(shown, events.end());
  EXPECT_EQ(shown->Value, 64);
  EXPECT_EQ(events.back().Kind, UiEventKind::Destroyed);
}

TEST_F(FormTest, TheJobClearsItsHookAndLeavesTheDoneFlag) {
  TMainForm& form = CreateForm();
  bool done = true;
  form.RunInstall(application_, done);
  EXPECT_TRUE(done);
  EXPECT_FALSE(application_.HasIdleHook());
  EXPECT_EQ(StatusTexts(), (std::vector<std::string>{kLoading, kFailedToLoad}));
}

TEST_F(InstallerTest, TheIdleHookRunsOnceEvenWhenTheLoopFallsIdleAgain) {
  machine_.Volume.ForbidFolder("C:\\Program Files\\TOLMA");
  AttachArchive({{"a.sys", "x"}});

  EXPECT_EQ(Run(), 2);

  // After the error the loop waited and the user closed the window; the job did not rerun.
  const auto texts = StatusTexts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), kLoading), 1);
  EXPECT_EQ(machine_.Ui.ErrorBoxes().size(), 1u);
  EXPECT_EQ(machine_.Ui.WaitsForUser(), 1);
}

struct ReportCase {
  const char* Message;
  const char* Shown;
  friend void PrintTo(const ReportCase& c, std::ostream* os) { *os << c.Message; }
};

class ErrorReportTextTest : public testing::TestWithParam<ReportCase> {};

TEST_P(ErrorReportTextTest, AddsAFullStopAfterCharactersBeyondTheDot) {
  EXPECT_EQ(ErrorReportText(GetParam().Message), GetParam().Shown);
}

INSTANTIATE_TEST_SUITE_P(Cases, ErrorReportTextTest,
                         testing::Values(ReportCase{"Cannot create file C:\\x\\a.inf",
                                                    "Cannot create file C:\\x\\a.inf."},
                                         ReportCase{"Failed to set data for 'C:\\x\\a.inf'",
                                                    "Failed to set data for 'C:\\x\\a.inf'"},
                                         ReportCase{"Ends in a digit 7", "Ends in a digit 7."},
                                         ReportCase{"Already ends.", "Already ends."},
                                         ReportCase{"(closed)", "(closed)"},
                                         ReportCase{"dash-", "dash-"},
                                         ReportCase{"slash/", "slash/."},
                                         ReportCase{"ellipsis\x85", "ellipsis\x85."},
                                         ReportCase{"", ""}));

}  // namespace
}  // namespace tolma::installer_test
