#include "FakeSerialPort.h"
#include "session/BoardSession.h"

#include <gtest/gtest.h>

namespace {

// The operator's side of a session without any window.
struct ScriptedInputs : SessionInputs {
    QString CommandLine() const override { return Command; }
    int GenericSettingPosition() const override { return Generic; }
    int V35SettingPosition() const override { return V35; }
    bool ConsoleInView() const override { return Console; }

    QString Command;
    int Generic = -1;
    int V35 = -1;
    bool Console = false;
};

QStringList Lines(std::initializer_list<const char*> texts) {
    QStringList lines;
    for (const char* text : texts) {
        lines << QString::fromLatin1(text) + QStringLiteral("\r\n");
    }
    return lines;
}

struct Board {
    explicit Board(std::int32_t program) {
        Port.PortOpen = true;
        Session.State.ActiveProgram = program;
    }
    QStringList Tick() {
        Port.ClearSends();
        Session.Tick();
        return Port.SentTexts();
    }

    FakeSerialPort Port;
    ScriptedInputs Inputs;
    BoardSession Session{Port, Inputs};
};

}  // namespace

TEST(BoardSession, ServesRequestsFromTheInputsItIsGiven) {
    Board b(kLineCardApp);
    b.Inputs.Command = QStringLiteral("versions");
    b.Inputs.Generic = 2;
    b.Inputs.V35 = 1;
    b.Session.State.GenericEepromByte = 0xB4;
    b.Session.State.CommandPending = b.Session.State.GenericUpdatePending = b.Session.State.V35UpdatePending =
        true;
    EXPECT_EQ(b.Tick(), Lines({"versions", "wee 4 B6", "wee 5 1"}));
    EXPECT_EQ(b.Tick(), QStringList());
}

TEST(BoardSession, ConsoleInViewQuietsTheBoardOnceAndHoldsThePoll) {
    Board b(kCpeApp);
    b.Inputs.Console = true;
    b.Session.State.PollTick = 9;  // the next tick would poll
    EXPECT_EQ(b.Tick(), Lines({"debug 0"}));
    for (int tick = 0; tick < 10; ++tick) {
        EXPECT_EQ(b.Tick(), QStringList()) << tick;
    }
    b.Inputs.Console = false;
    b.Session.State.PollTick = 9;
    EXPECT_EQ(b.Tick(), QStringList());  // poll step 1 sends nothing
    b.Session.State.PollTick = 9;
    EXPECT_EQ(b.Tick(), Lines({"rdm ff28 4", "rdm ff12 8"}));
}
