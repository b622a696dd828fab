#include "FakeSerialPort.h"
#include "session/Session.h"

#include <gtest/gtest.h>

namespace {

// The operator's side of a session without any window.
struct ScriptedInputs : SessionInputs {
    QString CommandLine() const override { return Command; }
    int GenericSettingPosition() const override { return Generic; }
    int V35SettingPosition() const override { return V35; }
    bool ConsoleInView() const override { return Console; }
    bool ChoosingAnotherPort() const override { return false; }

    QString Command;
    int Generic = -1;
    int V35 = -1;
    bool Console = false;
};

// What a front end would have shown, in order.
struct RecordingSink : SessionSink {
    void FieldWritten(BoardField field) override { Heard << QStringLiteral("field %1").arg(int(field)); }
    void ProgramEntered(std::int32_t program) override { Heard << QStringLiteral("program %1").arg(program); }
    void TextReceived(const QString& piece) override { Heard << QStringLiteral("text ") + piece; }
    void PortLost(const QString& /*notice*/, bool awaited) override {
        Heard << QStringLiteral("lost %1").arg(awaited);
    }
    void PortBack(const QString& device, const QString& /*notice*/) override {
        Heard << QStringLiteral("back ") + device;
    }
    void LogFailed(const QString& message) override { Heard << message; }
    void DownloadStarting() override { Heard << QStringLiteral("download starting"); }
    void DownloadStatusChanged(DownloadStep /*step*/, const QString& text) override { Heard << text; }
    void DownloadProgressChanged(double /*value*/) override {}
    void DownloadWarning(const QString& text) override { Heard << text; }
    void DownloadEnded(DownloadEnd /*how*/) override { Heard << QStringLiteral("download ended"); }

    QStringList Heard;
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
    RecordingSink Sink;
    ::Session Session{Port, Inputs, Sink};
};

}  // namespace

TEST(Session, ServesRequestsFromTheInputsItIsGiven) {
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

TEST(Session, ConsoleInViewQuietsTheBoardOnceAndHoldsThePoll) {
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
