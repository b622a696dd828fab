#include "TestWindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

constexpr int kConfigurationTab = 0;
constexpr int kTerminalTab = 2;

// What each tick sent, by tick number from 1; ticks that sent nothing are left out.
using SendsByTick = std::map<int, QStringList>;

SendsByTick RunTicks(TestWindow& t, int count) {
    SendsByTick sends;
    for (int tick = 1; tick <= count; ++tick) {
        t.Port.ClearSends();
        t.Ticks(1);
        if (!t.Port.Sends.isEmpty()) {
            sends[tick] = t.Port.SentTexts();
        }
    }
    return sends;
}

QStringList Lines(std::initializer_list<const char*> commands) {
    QStringList lines;
    for (const char* command : commands) {
        lines << QString::fromLatin1(command) + QStringLiteral("\r\n");
    }
    return lines;
}

const QStringList kMemoryReads = Lines({"rdm ff28 4", "rdm ff12 8"});
const QStringList kPower = Lines({"battery", "temperature"});

std::string Describe(const SendsByTick& sends) {
    std::string text;
    for (const auto& [tick, texts] : sends) {
        text += "\n  tick " + std::to_string(tick) + ": " + texts.join(u'|').toStdString();
    }
    return text;
}

}  // namespace

TEST(Scheduler, SendsNothingWhilePortIsClosedButKeepsCounting) {
    TestWindow t;
    t.Started();
    t.Window.Session.State.CommandPending = true;
    EXPECT_TRUE(RunTicks(t, 25).empty());
    EXPECT_EQ(t.Window.Session.State.PollTick, 5);
    EXPECT_TRUE(t.Window.Session.State.CommandPending);
}

TEST(Scheduler, WithoutProgramSendsCpuOncePerTenTicksAndServesNoRequest) {
    TestWindow t;
    t.Connected();
    t.Window.Session.State.CommandPending = true;
    t.Window.Session.State.SfdUpdatePending = true;
    const SendsByTick expected{{10, Lines({"cpu"})}, {20, Lines({"cpu"})}, {30, Lines({"cpu"})}};
    const SendsByTick sends = RunTicks(t, 30);
    EXPECT_EQ(sends, expected) << Describe(sends);
}

TEST(Scheduler, BootLoaderSendsHelpAndTheCommandLineButNoEepromWrite) {
    TestWindow t;
    t.Running(kBootLoader);
    t.Window.CommandLineText->setText(QStringLiteral("versions"));
    t.Window.CommandLineButton_Click();
    t.Window.Session.State.SfdUpdatePending = true;
    const SendsByTick expected{{1, Lines({"versions"})}, {10, Lines({"help"})}, {20, Lines({"help"})}};
    const SendsByTick sends = RunTicks(t, 20);
    EXPECT_EQ(sends, expected) << Describe(sends);
    EXPECT_FALSE(t.Window.Session.State.CommandPending);
    EXPECT_TRUE(t.Window.Session.State.SfdUpdatePending);
    EXPECT_EQ(t.Window.CommandLineText->text(), QStringLiteral("versions"));  // the line is not cleared
}

TEST(Scheduler, EmptyCommandLineSendsLineEndAloneBeforeHelp) {
    TestWindow t;
    t.Running(kBootLoader);
    t.Ticks(9);
    t.Window.CommandLineButton_Click();
    t.Port.ClearSends();
    t.Ticks(1);
    EXPECT_EQ(t.Port.SentTexts(), QStringList({QStringLiteral("\r\n"), QStringLiteral("help\r\n")}));
}

TEST(Scheduler, FirstPollCycleAfterLineCardBannerIncludesTheOneTimeReads) {
    TestWindow t;
    t.Running(kLineCardApp);
    const SendsByTick expected{
        {19, kMemoryReads},
        {29, Lines({"ree 0", "ree 4"}) + kPower},
        {39, Lines({"ree 5", "versions"}) + kMemoryReads},
        {49, Lines({"op_status", "line_state"})},
        {59, Lines({"debug 1"}) + kMemoryReads},
        {69, kPower},
        {79, kMemoryReads},
        {99, kMemoryReads},
    };
    const SendsByTick sends = RunTicks(t, 100);
    EXPECT_EQ(sends, expected) << Describe(sends);
    EXPECT_EQ(t.Window.Session.State.PollStep, 0);
    EXPECT_FALSE(t.Window.Session.State.InitialReadsPending);
}

TEST(Scheduler, LaterPollCyclesLeaveOutTheOneTimeReads) {
    TestWindow t;
    t.Running(kCpeApp);
    t.Ticks(99);
    const SendsByTick expected{
        {20, kMemoryReads}, {30, kPower},       {40, kMemoryReads},  {60, kMemoryReads},
        {70, kPower},       {80, kMemoryReads}, {100, kMemoryReads}, {120, kMemoryReads},
    };
    const SendsByTick sends = RunTicks(t, 120);
    EXPECT_EQ(sends, expected) << Describe(sends);
}

TEST(Scheduler, TerminalTabHoldsThePollCycleAndQuietsDebugOncePerVisit) {
    TestWindow t;
    t.Running(kLineCardApp);
    t.Ticks(9);  // poll step 1 done; step 2 would send the memory reads in ten ticks
    t.Window.GUI_Tabs->setCurrentIndex(kTerminalTab);
    SendsByTick sends = RunTicks(t, 30);
    EXPECT_EQ(sends, SendsByTick({{1, Lines({"debug 0"})}})) << Describe(sends);
    EXPECT_EQ(t.Window.Session.State.PollStep, 1);

    t.Window.GUI_Tabs->setCurrentIndex(kConfigurationTab);
    sends = RunTicks(t, 10);
    EXPECT_EQ(sends, SendsByTick({{10, kMemoryReads}})) << Describe(sends);

    t.Window.GUI_Tabs->setCurrentIndex(kTerminalTab);
    sends = RunTicks(t, 10);
    EXPECT_EQ(sends, SendsByTick({{1, Lines({"debug 0"})}})) << Describe(sends);
}

TEST(Scheduler, TerminalTabIsRecognisedWithAMnemonicInItsCaption) {
    TestWindow t;
    t.Running(kCpeApp);
    t.Window.GUI_Tabs->setTabText(kTerminalTab, QStringLiteral("&Terminal"));
    t.Window.GUI_Tabs->setCurrentIndex(kTerminalTab);
    const SendsByTick sends = RunTicks(t, 30);
    EXPECT_EQ(sends, SendsByTick({{1, Lines({"debug 0"})}})) << Describe(sends);
}

TEST(Scheduler, RequestsInOneTickGoOutInOrderBeforeThePollCommands) {
    TestWindow t;
    t.Running(kLineCardApp);
    t.Ticks(18);  // the next tick runs poll step 2
    t.Window.CommandLineText->setText(QStringLiteral("op_status"));
    t.Window.CommandLineButton_Click();
    SessionState& state = t.Window.Session.State;
    state.SfdValue = 26;
    state.SfdUpdatePending = true;
    state.GenericEepromByte = 0xB6;
    t.Window.GenericSelect->setCurrentIndex(1);
    state.GenericUpdatePending = true;
    t.Window.V35Select->setCurrentIndex(2);
    state.V35UpdatePending = true;
    t.Port.ClearSends();
    t.Ticks(1);
    EXPECT_EQ(t.Port.SentTexts(), Lines({"op_status", "wee 0 1A", "wee 4 B5", "wee 5 2"}) + kMemoryReads);
    EXPECT_EQ(state.GenericEepromByte, 0xB5);
    EXPECT_FALSE(state.CommandPending || state.SfdUpdatePending || state.GenericUpdatePending ||
                 state.V35UpdatePending);

    // The next request on the Terminal tab goes out before "debug 0".
    state.SfdUpdatePending = true;
    t.Window.GUI_Tabs->setCurrentIndex(kTerminalTab);
    t.Port.ClearSends();
    t.Ticks(1);
    EXPECT_EQ(t.Port.SentTexts(), Lines({"wee 0 1A", "debug 0"}));
}

TEST(Scheduler, WritesNumbersInUpperCaseHexadecimalWithoutLeadingZeros) {
    struct Case {
        std::int32_t SfdValue;
        const char* Sent;
    };
    for (const Case& c :
         {Case{26, "wee 0 1A"}, Case{0, "wee 0 0"}, Case{255, "wee 0 FF"}, Case{10, "wee 0 A"}}) {
        TestWindow t;
        t.Running(kCpeApp);
        t.Window.Session.State.SfdValue = c.SfdValue;
        t.Window.Session.State.SfdUpdatePending = true;
        t.Ticks(1);
        EXPECT_EQ(t.Port.SentTexts(), Lines({c.Sent})) << c.SfdValue;
    }
}

TEST(Scheduler, LineCardMergesTheTelephonyModeIntoTheByteLastRead) {
    struct Case {
        std::uint8_t ByteRead;
        int Position;
        const char* Sent;
        std::uint8_t Kept;
    };
    for (const Case& c : {Case{0xB6, 1, "wee 4 B5", 0xB5}, Case{0x00, 3, "wee 4 3", 0x03},
                          Case{0x05, 3, "wee 4 7", 0x07}, Case{0xFF, 0, "wee 4 FC", 0xFC}}) {
        TestWindow t;
        t.Running(kLineCardApp);
        t.Window.Session.State.GenericEepromByte = c.ByteRead;
        t.Window.GenericSelect->setCurrentIndex(c.Position);
        t.Window.Session.State.GenericUpdatePending = true;
        t.Ticks(1);
        EXPECT_EQ(t.Port.SentTexts(), Lines({c.Sent}));
        EXPECT_EQ(t.Window.Session.State.GenericEepromByte, c.Kept);
    }
}

TEST(Scheduler, CpeWritesTheRangePositionAloneAndKeepsTheByteRead) {
    TestWindow t;
    t.Running(kCpeApp);
    t.Window.Session.State.GenericEepromByte = 0xB6;
    t.Window.GenericSelect->setCurrentIndex(1);
    t.Window.Session.State.GenericUpdatePending = true;
    t.Ticks(1);
    EXPECT_EQ(t.Port.SentTexts(), Lines({"wee 4 1"}));
    EXPECT_EQ(t.Window.Session.State.GenericEepromByte, 0xB6);
}

TEST(Scheduler, ListWriteWithNoEntrySelectedSendsNothingAndIsDropped) {
    TestWindow t;
    t.Running(kLineCardApp);  // the layout leaves both lists without a selection
    t.Window.Session.State.GenericEepromByte = 0xB6;
    t.Window.Session.State.GenericUpdatePending = true;
    t.Window.Session.State.V35UpdatePending = true;
    t.Ticks(1);
    EXPECT_TRUE(t.Port.Sends.isEmpty()) << t.Port.SentTexts().join(u'|').toStdString();
    EXPECT_FALSE(t.Window.Session.State.GenericUpdatePending);
    EXPECT_FALSE(t.Window.Session.State.V35UpdatePending);
    EXPECT_EQ(t.Window.Session.State.GenericEepromByte, 0xB6);
}

TEST(Scheduler, RequestsWaitForTheOpenPort) {
    TestWindow t;
    t.Running(kLineCardApp);
    t.Port.PortOpen = false;
    t.Window.Session.State.SfdValue = 7;
    t.Window.Session.State.SfdUpdatePending = true;
    t.Ticks(3);
    EXPECT_TRUE(t.Port.Sends.isEmpty());
    t.Port.PortOpen = true;
    t.Ticks(1);
    EXPECT_EQ(t.Port.SentTexts(), Lines({"wee 0 7"}));
}

TEST(Scheduler, BootLoaderBannerDropsAWriteRequestedBeforeTheTick) {
    TestWindow t;
    t.Running(kLineCardApp);
    t.Window.Session.State.SfdValue = 5;
    t.Window.Session.State.SfdUpdatePending = true;
    t.Line(QStringLiteral("Boot Loader Initialized"));
    const SendsByTick sends = RunTicks(t, 10);
    EXPECT_EQ(sends, SendsByTick({{9, Lines({"help"})}}))
        << Describe(sends);  // the layout left the tick count at 1
}

TEST(Scheduler, UnknownProgramValueSendsNothing) {
    TestWindow t;
    t.Connected();
    t.Window.Session.State.ActiveProgram = 4;
    t.Window.Session.State.CommandPending = true;
    EXPECT_TRUE(RunTicks(t, 20).empty());
}
