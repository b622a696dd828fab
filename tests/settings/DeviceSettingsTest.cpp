#include "TestWindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

class DeviceSettings : public ::testing::Test {
  protected:
    GuiMain& Start(std::int32_t program) {
        board.Running(program);
        return board.Window;
    }
    void Line(const QString& text) { board.Line(text); }

    TestWindow board;
};

TEST_F(DeviceSettings, SfdReadBackShowsTheDecimalValueWithTheButtonDisabled) {
    for (const std::int32_t program : {kLineCardApp, kCpeApp}) {
        TestWindow t;
        t.Running(program);
        GuiMain& w = t.Window;
        const struct {
            const char* line;
            const char* shown;
        } cases[] = {{"0000: FF", "255"},
                     {"0000: ", "0"},
                     {"0000: 0A", "10"},
                     {"0000: FFFF", "-1"},
                     {"0000@ 0A 0000: FF", "10"},   // the value counts from the line's start
                     {"0000: 12 0005: 02", "18"}};  // the first marker found decides; V35 stays
        for (const auto& c : cases) {
            t.Line(QString::fromLatin1(c.line));
            EXPECT_EQ(w.SfdText->text(), QString::fromLatin1(c.shown)) << c.line;
            EXPECT_FALSE(w.SfdButton->isEnabled()) << c.line;
        }
        EXPECT_EQ(w.V35Select->currentIndex(), -1);
        EXPECT_FALSE(w.Session.State.SfdUpdatePending);
    }
}

TEST_F(DeviceSettings, LineCardTelephonyReadBackSelectsByTheLowBitsAboveFour) {
    GuiMain& w = Start(kLineCardApp);
    const struct {
        const char* line;
        int position;
        std::uint8_t byte;
    } cases[] = {{"0004: 06", 2, 6}, {"0004: 02", 0, 2},    {"0004: 05", 1, 5}, {"0004: 07", 3, 7},
                 {"0004: 04", 0, 4}, {"0004: FD", 1, 0xFD}, {"0004: ", 0, 0}};
    for (const auto& c : cases) {
        Line(QString::fromLatin1(c.line));
        EXPECT_EQ(w.GenericSelect->currentIndex(), c.position) << c.line;
        EXPECT_EQ(w.Session.State.GenericEepromByte, c.byte) << c.line;
        EXPECT_FALSE(w.GenericButton->isEnabled()) << c.line;
    }
    Line(QStringLiteral("0004: 06"));
    ASSERT_EQ(w.GenericSelect->currentText(), QStringLiteral("T1 & 12 KHz Tone"));
}

TEST_F(DeviceSettings, TelephonyValueBeyondAByteAbandonsTheLine) {
    GuiMain& w = Start(kLineCardApp);
    Line(QStringLiteral("0004: 07"));
    w.GenericSelect->setCurrentIndex(1);
    w.GenericButton_Click();
    Line(QStringLiteral("temperature: 0019"));
    for (const char* line : {"0004: 0100 temperature: 0030", "0004: FFFF temperature: 0030"}) {
        Line(QString::fromLatin1(line));
        EXPECT_EQ(w.Session.State.GenericEepromByte, 7) << line;
        EXPECT_EQ(w.GenericSelect->currentIndex(), 1) << line;
        EXPECT_TRUE(w.GenericButton->isEnabled()) << line;
        EXPECT_TRUE(w.Session.State.GenericUpdatePending) << line;
        EXPECT_EQ(w.TemperatureText->text(), QStringLiteral("25")) << line;  // later interpreters skipped
    }
}

TEST_F(DeviceSettings, CpeRangeReadBackSelectsGreaterOnlyForOne) {
    GuiMain& w = Start(kCpeApp);
    Line(QStringLiteral("0004: 01"));
    EXPECT_EQ(w.GenericSelect->currentText(), QStringLiteral("Greater than 25 miles"));
    EXPECT_FALSE(w.GenericButton->isEnabled());
    Line(QStringLiteral("0004: 02"));
    EXPECT_EQ(w.GenericSelect->currentText(), QStringLiteral("Less than 25 miles"));
    EXPECT_EQ(w.Session.State.GenericEepromByte, 2);
    EXPECT_FALSE(w.GenericButton->isEnabled());
}

TEST_F(DeviceSettings, V35ReadBackSelectsTheChannelOrDisable) {
    GuiMain& w = Start(kCpeApp);
    const struct {
        const char* line;
        const char* shown;
    } cases[] = {{"0005: 02", "CHANNEL 2"},
                 {"0005: 01", "CHANNEL 1"},
                 {"0005: 07", "DISABLE"},
                 {"0005: FFFF", "DISABLE"},
                 {"0005: 0002", "CHANNEL 2"},
                 {"0005@ 02 0005: 01", "CHANNEL 2"}};
    for (const auto& c : cases) {
        w.V35Select->setCurrentIndex(0);
        Line(QString::fromLatin1(c.line));
        EXPECT_EQ(w.V35Select->currentText(), QString::fromLatin1(c.shown)) << c.line;
        EXPECT_FALSE(w.V35Button->isEnabled()) << c.line;
    }
}

TEST_F(DeviceSettings, PickingAnEntryEnablesItsButtonWhichRequestsTheWrite) {
    GuiMain& w = Start(kLineCardApp);
    Line(QStringLiteral("0004: 05"));
    Line(QStringLiteral("0005: 01"));
    w.GenericSelect->setCurrentIndex(3);
    EXPECT_TRUE(w.GenericButton->isEnabled());
    w.GenericButton->click();
    EXPECT_TRUE(w.Session.State.GenericUpdatePending);
    w.V35Select->setCurrentIndex(2);
    EXPECT_TRUE(w.V35Button->isEnabled());
    w.V35Button->click();
    EXPECT_TRUE(w.Session.State.V35UpdatePending);
    EXPECT_EQ(w.GenericSelect->currentIndex(), 3);
    EXPECT_EQ(w.V35Select->currentIndex(), 2);
}

// After a read-back the entry shown is already selected; picking it again must still allow writing it.
TEST_F(DeviceSettings, RepickingTheSelectedEntryEnablesItsButtonAgain) {
    GuiMain& w = Start(kCpeApp);
    Line(QStringLiteral("0004: 01"));
    Line(QStringLiteral("0005: 02"));
    ASSERT_FALSE(w.GenericButton->isEnabled());
    ASSERT_FALSE(w.V35Button->isEnabled());
    emit w.GenericSelect->activated(1);
    emit w.V35Select->activated(2);
    EXPECT_TRUE(w.GenericButton->isEnabled());
    EXPECT_TRUE(w.V35Button->isEnabled());
}

TEST_F(DeviceSettings, ClearedListsLeaveTheirButtonsDisabled) {
    GuiMain& w = Start(kCpeApp);
    w.GenericSelect->setCurrentIndex(-1);
    w.GenericSelect_Click();
    w.V35Select->setCurrentIndex(-1);
    w.V35Select_Click();
    EXPECT_FALSE(w.GenericButton->isEnabled());
    EXPECT_FALSE(w.V35Button->isEnabled());
}

TEST_F(DeviceSettings, UpdateClickRequestsTheSfdValueAsAByte) {
    GuiMain& w = Start(kCpeApp);
    const struct {
        QString text;
        std::int32_t value;
    } cases[] = {{QStringLiteral("10"), 10},   {QStringLiteral("300"), 255}, {QStringLiteral("0255"), 255},
                 {QStringLiteral("256"), 255}, {QString(40, u'9'), 255},  // no overflow, however many digits
                 {QStringLiteral("0"), 0}};
    for (const auto& c : cases) {
        w.Session.State.SfdUpdatePending = false;
        w.SfdText->setText(c.text);
        ASSERT_TRUE(w.SfdButton->isEnabled()) << qPrintable(c.text);
        w.SfdButton->click();
        EXPECT_EQ(w.Session.State.SfdValue, c.value) << qPrintable(c.text);
        EXPECT_TRUE(w.Session.State.SfdUpdatePending) << qPrintable(c.text);
        EXPECT_TRUE(w.SfdButton->isEnabled()) << qPrintable(c.text);  // a second click requests it again
    }
}

TEST_F(DeviceSettings, NegativeReadBackIsNeverWrittenAsNegative) {
    GuiMain& w = Start(kLineCardApp);
    Line(QStringLiteral("0000: FFFF"));
    ASSERT_EQ(w.SfdText->text(), QStringLiteral("-1"));
    w.SfdText->insert(QStringLiteral("5"));  // the engineer types after the sign
    ASSERT_EQ(w.SfdText->text(), QStringLiteral("-15"));
    ASSERT_TRUE(w.SfdButton->isEnabled());
    w.SfdButton->click();
    EXPECT_EQ(w.Session.State.SfdValue, 0);
    EXPECT_TRUE(w.Session.State.SfdUpdatePending);
}

}  // namespace

namespace {

TEST_F(DeviceSettings, RequestedWritesGoOutOnTheNextTick) {
    GuiMain& w = Start(kLineCardApp);
    Line(QStringLiteral("0004: 05"));  // E1 & 16 KHz Tone
    w.SfdText->setText(QStringLiteral("300"));
    w.SfdButton->click();
    w.GenericSelect->setCurrentIndex(3);  // E1 & 12 KHz Tone
    w.GenericButton->click();
    w.V35Select->setCurrentIndex(1);
    w.V35Button->click();
    board.Port.ClearSends();
    board.Ticks(1);
    ASSERT_GE(board.Port.Sends.size(), 3);
    EXPECT_EQ(board.Port.Sends.mid(0, 3), (QList<QByteArray>{"wee 0 FF\r\n", "wee 4 7\r\n", "wee 5 1\r\n"}));
    EXPECT_FALSE(w.Session.State.SfdUpdatePending);
    EXPECT_FALSE(w.Session.State.GenericUpdatePending);
    EXPECT_FALSE(w.Session.State.V35UpdatePending);
}

TEST_F(DeviceSettings, CpeRangeAndTypedSfdAreWrittenAsChosen) {
    GuiMain& w = Start(kCpeApp);
    w.SfdText->setText(QStringLiteral("10"));
    w.SfdButton->click();
    w.GenericSelect->setCurrentIndex(1);
    w.GenericButton->click();
    board.Port.ClearSends();
    board.Ticks(1);
    ASSERT_GE(board.Port.Sends.size(), 2);
    EXPECT_EQ(board.Port.Sends.mid(0, 2), (QList<QByteArray>{"wee 0 A\r\n", "wee 4 1\r\n"}));
}

}  // namespace
