#include "E2eSession.h"

#include <QPushButton>

#include <algorithm>

namespace {

using E2eLog = E2eSession;

constexpr int kTerminalLimit = 10000;  // beyond it the view drops its oldest characters

// A line with bytes above 127, which the console passes as they are.
const QByteArray kSaidLine(
    "Pr\xFC"
    "fsumme \xB0\x80\xFF ok");

bool HasControlOrHighByte(const QByteArray& bytes) {
    return std::any_of(bytes.begin(), bytes.end(), [](char byte) {
        const auto value = static_cast<unsigned char>(byte);
        return value >= 0x80 || (value < 0x20 && value != '\r' && value != '\n');
    });
}

// The garbage fault adds random bytes (NUL and bytes above 127 among them, often without a line end) every
// few seconds. Logging starts once the board runs, so that it answers "debug 80".
TEST_F(E2eLog, LogFileHoldsExactlyTheBytesReceivedWhileLogging) {
    const QString script =
        Board.WriteFile("net.txt", ScriptText(RepeatedAction("say " + QString::fromLatin1(kSaidLine))));
    ASSERT_NO_FATAL_FAILURE(Connect({"--app", "linecard", "--fault", "garbage", "--script", script}));
    ASSERT_TRUE(WaitForProgram("LINE CARD APP"));
    Prompts.FileAnswers.push_back(Board.FilePath("console.log"));
    const qsizetype before = Window.TerminalContent().size();
    Window.LoggingButton->click();
    ASSERT_EQ(Window.LoggingButton->text(), "Stop Logging");

    const auto logged = [&] { return Window.TerminalContent().mid(before).toLatin1(); };
    ASSERT_TRUE(WaitFor(
        [&] {
            const QByteArray text = logged();
            return text.contains(kSaidLine + "\r\n") && text.contains("dbg: ") &&
                   HasControlOrHighByte(QByteArray(text).replace(kSaidLine, ""));
        },
        kPollTimeoutMs))
        << logged().toStdString();
    Window.LoggingButton->click();
    EXPECT_EQ(Window.LoggingButton->text(), "Activate Logging");
    const QByteArray received = logged();

    ASSERT_LT(Window.TerminalContent().size(), kTerminalLimit) << "the view dropped text: nothing to compare";
    EXPECT_TRUE(received.contains("debug level 80\r\n"));
    EXPECT_EQ(Board.ReadFile("console.log"), received);
    EXPECT_EQ(Prompts.Warnings, QStringList());
}

}  // namespace
