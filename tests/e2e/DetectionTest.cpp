#include "E2eSession.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

using E2eDetection = E2eSession;

// The boot loader names itself only in its banner, so the board powers up once the port is open.
TEST_F(E2eDetection, BootLoaderBannerShowsTheBootLoaderLayoutAndItsVersions) {
    ASSERT_NO_FATAL_FAILURE(Connect({"--app", "boot", "--power-on-delay", "2000"}));

    ASSERT_TRUE(WaitForProgram("BOOT LOADER"));
    EXPECT_FALSE(Window.DownloadButton->isHidden());
    EXPECT_FALSE(Window.BootLoaderText->isHidden());
    EXPECT_TRUE(Window.FrequencyText->isHidden());
    EXPECT_TRUE(Window.SfdText->isHidden());
    EXPECT_TRUE(Window.OpStateText->isHidden());
    EXPECT_TRUE(Window.CpeSelect->isHidden());
    EXPECT_TRUE(Window.CommandLineButton->isEnabled());

    // The boot loader's command list names no application: its answer to "help" keeps the layout.
    ASSERT_TRUE(WaitFor([&] { return Window.TerminalContent().contains("Boot loader commands:\r\n"); },
                        kDetectTimeoutMs));
    SendCommandLine("versions");
    EXPECT_TRUE(WaitForText(Window.FirmwareText, "FPGA 2.07", kPollTimeoutMs));
    EXPECT_EQ(Window.BootLoaderText->text(), "Boot Loader 1.03");
    EXPECT_EQ(Window.ApplicationText->text(), "???");
    EXPECT_EQ(Window.ProgramText->text(), "BOOT LOADER");
    EXPECT_EQ(Prompts.Warnings, QStringList());
}

struct ApplicationCase {
    const char* App;
    const char* ProgramText;
    const char* GenericLabel;
    const char* GenericButton;
    QStringList GenericEntries;
    bool CpeSelectionShown;
};

void PrintTo(const ApplicationCase& applicationCase, std::ostream* out) {
    *out << applicationCase.App;
}

class E2eApplicationDetection : public E2eSession, public testing::WithParamInterface<ApplicationCase> {
  protected:
    void ExpectApplicationLayout() const {
        const ApplicationCase& expected = GetParam();
        EXPECT_EQ(Window.GenericLabel->text(), expected.GenericLabel);
        EXPECT_EQ(Window.GenericButton->text(), expected.GenericButton);
        QStringList entries;
        for (int index = 0; index < Window.GenericSelect->count(); ++index) {
            entries << Window.GenericSelect->itemText(index);
        }
        EXPECT_EQ(entries, expected.GenericEntries);
        EXPECT_EQ(Window.CpeSelect->isHidden(), !expected.CpeSelectionShown);
        EXPECT_FALSE(Window.SfdText->isHidden());
        EXPECT_FALSE(Window.FrequencyText->isHidden());
        EXPECT_FALSE(Window.TemperatureText->isHidden());
        EXPECT_FALSE(Window.OpStateText->isHidden());
    }
};

// First by the banner the board prints as it powers up; then, with the port chosen again while the board runs
// and prints no banner, through the answers to "cpu" (boot loader first) and "help".
TEST_P(E2eApplicationDetection, BannerAndThenPollAnswersShowTheApplicationLayout) {
    ASSERT_NO_FATAL_FAILURE(Connect({"--app", GetParam().App, "--power-on-delay", "300"}));
    ASSERT_TRUE(WaitForProgram(GetParam().ProgramText));
    ExpectApplicationLayout();

    Window.CommPortSelect->setCurrentIndex(0);
    EXPECT_EQ(Window.ProgramText->text(), "UNKNOWN");
    Window.CommPortSelect->setCurrentIndex(Window.CommPortSelect->findText("COM1"));
    ASSERT_TRUE(WaitForProgram("BOOT LOADER"));
    ASSERT_TRUE(WaitForProgram(GetParam().ProgramText));
    ExpectApplicationLayout();
    EXPECT_EQ(Prompts.Warnings, QStringList());
}

INSTANTIATE_TEST_SUITE_P(Programs, E2eApplicationDetection,
                         testing::Values(ApplicationCase{"linecard",
                                                         "LINE CARD APP",
                                                         "Telephony:",
                                                         "Update Telephony",
                                                         {"T1 & 16 KHz Tone", "E1 & 16 KHz Tone",
                                                          "T1 & 12 KHz Tone", "E1 & 12 KHz Tone"},
                                                         true},
                                         ApplicationCase{"cpe",
                                                         "CPE APP",
                                                         "Range:",
                                                         "Update Range",
                                                         {"Less than 25 miles", "Greater than 25 miles"},
                                                         false}),
                         [](const testing::TestParamInfo<ApplicationCase>& info) {
                             return std::string(info.param.App);
                         });

}  // namespace
