#include "E2eSession.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

using E2eSettings = E2eSession;

// The board's EEPROM file holds each write at once; its defaults are SFD 1A, telephony 05, V35 0.
TEST_F(E2eSettings, UpdatesReachTheBoardEepromAndAreReadBackAfterARestart) {
    SpeedUpScheduler();
    const QString eepromPath = Board.FilePath("eeprom.bin");
    ASSERT_NO_FATAL_FAILURE(Connect({"--app", "linecard", "--eeprom-file", eepromPath}));
    ASSERT_TRUE(WaitForProgram("LINE CARD APP"));
    ASSERT_TRUE(WaitForText(Window.SfdText, "26", kPollTimeoutMs));
    ASSERT_TRUE(WaitForSelection(Window.GenericSelect, "E1 & 16 KHz Tone", kPollTimeoutMs));
    ASSERT_TRUE(WaitForSelection(Window.V35Select, "DISABLE", kPollTimeoutMs));

    Window.SfdText->setText("99");
    Window.SfdButton->click();
    Window.GenericSelect->setCurrentIndex(3);  // "E1 & 12 KHz Tone": the low bits of 05 become 3
    Window.GenericButton->click();
    Window.V35Select->setCurrentIndex(2);
    Window.V35Button->click();
    const QByteArray written("\x63\xFF\xFF\xFF\x07\x02", 6);
    EXPECT_TRUE(WaitFor([&] { return Board.ReadFile("eeprom.bin").left(6) == written; }, kPollTimeoutMs))
        << Board.ReadFile("eeprom.bin").left(6).toHex(' ').toStdString();

    // A restart makes the window forget the settings and read them from the board again.
    SendCommandLine("reset");
    ASSERT_TRUE(WaitForProgram("BOOT LOADER"));
    ASSERT_TRUE(WaitForProgram("LINE CARD APP"));
    EXPECT_TRUE(WaitForText(Window.SfdText, "99", kPollTimeoutMs));
    EXPECT_TRUE(WaitForSelection(Window.GenericSelect, "E1 & 12 KHz Tone", kPollTimeoutMs));
    EXPECT_TRUE(WaitForSelection(Window.V35Select, "CHANNEL 2", kPollTimeoutMs));
    EXPECT_FALSE(Window.SfdButton->isEnabled());
    EXPECT_EQ(Prompts.Warnings, QStringList());
}

}  // namespace
