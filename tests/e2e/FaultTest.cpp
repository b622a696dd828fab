#include "E2eSession.h"
#include "app/TerminalView.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <numeric>
#include <optional>
#include <random>
#include <vector>

namespace {

constexpr int kLossTimeoutMs = 10000;
constexpr int kNoticeMs = 3000;      // a lost port is noticed at once, not at the next write
constexpr int kSettleMs = 100;       // a lost port leaves the tool idle within this time
constexpr int kQuietMs = 2000;       // event loop time over which the idle cost is measured
constexpr double kSpinShare = 0.25;  // only a busy loop uses this much of a core with nothing to do
constexpr int kLineRate = 57600;     // bytes per second: ten times what 57600 baud carries
constexpr qsizetype kReceiveBufferLimit = 1 << 20;
constexpr qsizetype kTerminalLimit = 10000;
constexpr qsizetype kHexPrefixBytes = 6000;  // a program file of a few KB, taken from the sample
constexpr int kReopenMs = 2000;              // a device back behind its path is open again within this time
constexpr int kAbsentMs = 3000;              // how long the device of a lost port stays away
constexpr std::size_t kTerminalsTried = 32;  // terminals opened until one gets a lost pty's number
const QDateTime kNight(QDate(2026, 12, 8), QTime(2, 13, 5));
const QString kLostNotice = QStringLiteral(
    "COM1 is no longer available. Reconnect it: it is opened again as soon as it is back.\n\n"
    "COM1 lost 2026-12-08 02:13:05");

QByteArray AllByteValues() {
    QByteArray bytes(256, '\0');
    std::iota(bytes.begin(), bytes.end(), '\0');
    return bytes;
}

// Random bytes, NUL and bytes above 127 included, but no line end: one line that never ends.
QByteArray EndlessLine(qsizetype size) {
    std::mt19937 random(8);
    std::uniform_int_distribution<int> value(0, 255);
    QByteArray bytes(size, '\0');
    std::generate(bytes.begin(), bytes.end(), [&] {
        const int byte = value(random);
        return static_cast<char>(byte == '\r' || byte == '\n' ? 0 : byte);
    });
    return bytes;
}

// The first records of the sample program and an end-of-file record.
QByteArray SmallProgram() {
    QFile file(QStringLiteral(VELMORA_SAMPLE_HEX));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray sample = file.readAll();
    return sample.left(sample.indexOf('\n', kHexPrefixBytes) + 1) + ":00000001FF\r\n";
}

// Writes the bytes to the pty at the given rate while the event loop runs.
void WritePaced(const Pty& pty, const QByteArray& bytes, int bytesPerSecond) {
    QElapsedTimer clock;
    clock.start();
    qsizetype written = 0;
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qsizetype due = std::min(bytes.size(), clock.elapsed() * bytesPerSecond / 1000);
        pty.Write(bytes.mid(written, due - written));
        written = due;
        if (written == bytes.size()) {
            loop.quit();
        }
    });
    tick.start(5);
    loop.exec();
}

// COM1 is a link of the test's own to the terminal, as a by-id link is to an adapter: it goes when the
// terminal goes, so a lost port is never reopened on a terminal that another program gets under the same
// number.
class E2eFault : public E2eSession {
  protected:
    E2eFault() {
        Window.Session.Clock = [] { return kNight; };
    }

    // Attaches the window to the test's own pty as COM1, no simulator behind it.
    void ConnectToPty() { ASSERT_NO_FATAL_FAILURE(ChooseLinkedCom1(pty_.SlavePath())); }

    // Attaches the window to a simulator started with these options.
    void ConnectThroughLink(const QStringList& boardOptions) {
        ASSERT_TRUE(Board.Start(boardOptions)) << Board.ErrorOutput().toStdString();
        ASSERT_NO_FATAL_FAILURE(ChooseLinkedCom1(Board.DevicePath()));
    }

    // The link goes before the window hears of the loss, as udev removes an unplugged adapter's.
    void ChooseLinkedCom1(const QString& terminal) {
        ASSERT_TRUE(PointLinkAt(terminal));
        ASSERT_NO_FATAL_FAILURE(ChooseCom1(LinkPath()));
        Port.OnComm = [this, window = Port.OnComm](CommEvent event) {
            if (event == CommEvent::PortLost) {
                QFile::remove(LinkPath());
            }
            window(event);
        };
    }

    QString LinkPath() const { return links_.filePath(QStringLiteral("com1")); }

    // Replaces the link in one step, as udev does.
    bool PointLinkAt(const QString& device) const {
        const QString next = LinkPath() + QStringLiteral(".next");
        QFile::remove(next);
        return QFile::link(device, next) && std::rename(QFile::encodeName(next).constData(),
                                                        QFile::encodeName(LinkPath()).constData()) == 0;
    }

    void StartLogging() {
        Prompts.FileAnswers.push_back(LogPath());
        Window.LoggingButton_Click();
        ASSERT_TRUE(Window.Session.State.LoggingActive);
        loggedFrom_ = Window.TerminalContent().size();
    }

    QString LogPath() const { return Board.FilePath(QStringLiteral("console.log")); }
    QByteArray LogContent() const { return Board.ReadFile(QStringLiteral("console.log")); }
    // What the view received since logging started, as bytes; only valid while the view has not been trimmed.
    QByteArray ShownSinceLogging() const { return Window.TerminalContent().mid(loggedFrom_).toLatin1(); }

    // Sends to the window and waits until its view ends with the bytes.
    void Say(const QByteArray& bytes) {
        pty_.Write(bytes);
        const QString shown = QString::fromLatin1(bytes);
        ASSERT_TRUE(WaitFor([&] { return Window.TerminalContent().endsWith(shown); }, kLossTimeoutMs));
    }

    // The tool is up, told the engineer once without waiting for a click, keeps COM1 chosen while it waits
    // for the device, and sits still. Called when the port has just gone, or is about to go within the time
    // given.
    void ExpectCleanLoss(int noticeWithinMs = kNoticeMs) {
        ASSERT_TRUE(WaitFor([&] { return !Prompts.Notices.isEmpty(); }, noticeWithinMs))
            << Board.ErrorOutput().toStdString();
        CpuShareWhileEventLoopRuns(kSettleMs);
        const double share = CpuShareWhileEventLoopRuns(kQuietMs);
        std::printf("[ cpu      ] %.2f %% of a core over %d ms from %d ms after the port was lost\n",
                    share * 100, kQuietMs, kSettleMs);
        EXPECT_LT(share, kSpinShare);
        EXPECT_EQ(Prompts.Notices, QStringList{kLostNotice});
        EXPECT_EQ(Prompts.Warnings, QStringList());
        EXPECT_FALSE(Port.IsOpen());
        EXPECT_EQ(Window.CommPortSelect->currentText(), "COM1");
        EXPECT_TRUE(Window.Session.ReopenTimer.isActive());
        EXPECT_EQ(Window.Session.State.ActiveProgram, kNoProgram);
    }

    Pty pty_;
    QTemporaryDir links_;
    qsizetype loggedFrom_ = 0;
};

using E2eFaultPortLoss = E2eFault;

TEST_F(E2eFaultPortLoss, WhileIdle) {
    ASSERT_NO_FATAL_FAILURE(ConnectToPty());
    ASSERT_NO_FATAL_FAILURE(Say("no banner here\r\n"));
    pty_.CloseMaster();
    ExpectCleanLoss();
}

TEST_F(E2eFaultPortLoss, WhilePolling) {
    SpeedUpScheduler();
    ASSERT_NO_FATAL_FAILURE(
        ConnectThroughLink({"--app", "linecard", "--boot-delay", "100", "--fault", "close-after=3000"}));
    ASSERT_TRUE(WaitForProgram("LINE CARD APP"));
    ASSERT_TRUE(WaitFor([&] { return Window.TerminalContent().contains("op_status: "); }, kPollTimeoutMs));
    ExpectCleanLoss(kLossTimeoutMs);
}

TEST_F(E2eFaultPortLoss, WhileLoggingTheLogKeepsEveryByteReceivedBefore) {
    ASSERT_NO_FATAL_FAILURE(ConnectToPty());
    ASSERT_NO_FATAL_FAILURE(Say("Line Card Application Initialized\r\n"));
    ASSERT_EQ(Window.Session.State.ActiveProgram, kLineCardApp);
    ASSERT_NO_FATAL_FAILURE(StartLogging());
    const QByteArray sent = "Subscriber 01 Starting Ranging\r\n" + AllByteValues() + "half a li";
    ASSERT_NO_FATAL_FAILURE(Say(sent));
    pty_.CloseMaster();
    ExpectCleanLoss();
    EXPECT_EQ(LogContent(), sent);
}

TEST_F(E2eFaultPortLoss, WhileDownloadingTheDownloadEndsAsUsual) {
    const QByteArray program = SmallProgram();
    ASSERT_GT(program.size(), kHexPrefixBytes);
    ASSERT_NO_FATAL_FAILURE(
        ConnectThroughLink({"--app", "linecard", "--boot-delay", "100", "--rate", "5760"}));
    ASSERT_TRUE(WaitForProgram("LINE CARD APP"));
    Prompts.FileAnswers.push_back(Board.WriteFile(QStringLiteral("small.hex"), program));
    Window.DownloadButton_Click();
    ASSERT_TRUE(WaitFor([&] { return Window.Session.Download.State.DownloadSent > 0; }, kDownloadTimeoutMs));
    ASSERT_TRUE(Window.Session.Download.State.DownloadActive) << "the transfer ended before the port could be lost";
    ASSERT_TRUE(Board.Stop());
    ExpectCleanLoss();
    EXPECT_FALSE(Window.Session.Download.State.DownloadActive);
    EXPECT_EQ(Window.DownloadButton->text(), "Program Download");
    EXPECT_TRUE(Window.DownloadStatus->isHidden());
    EXPECT_TRUE(Window.Session.TransmitTimer.isActive());
}

// A night's log across a cable glitch: the board's terminal goes, and a new one appears behind the same path.
TEST_F(E2eFaultPortLoss, SameDeviceBackIsReopenedWithoutInputAndTheLogGoesOn) {
    SpeedUpScheduler();
    ASSERT_NO_FATAL_FAILURE(ConnectThroughLink({"--app", "linecard", "--boot-delay", "100"}));
    ASSERT_TRUE(WaitForProgram("LINE CARD APP"));
    ASSERT_NO_FATAL_FAILURE(StartLogging());
    ASSERT_TRUE(WaitFor([&] { return LogContent().contains("op_status: "); }, kPollTimeoutMs));
    ASSERT_TRUE(Board.Stop());
    QElapsedTimer absent;
    absent.start();
    ASSERT_NO_FATAL_FAILURE(ExpectCleanLoss());
    const QByteArray loggedBefore = LogContent();
    WaitFor([] { return false; }, static_cast<int>(kAbsentMs - absent.elapsed()));

    // It powers up late, so that all it prints comes after the reopen.
    SimBoard back;
    ASSERT_TRUE(back.Start({"--app", "linecard", "--boot-delay", "100", "--power-on-delay", "2500"}));
    ASSERT_TRUE(PointLinkAt(back.DevicePath()));
    QElapsedTimer reopen;
    reopen.start();
    ASSERT_TRUE(WaitFor([&] { return Port.IsOpen(); }, kReopenMs));
    std::printf("[ reopen   ] %lld ms after the device was back\n", static_cast<long long>(reopen.elapsed()));
    ASSERT_TRUE(WaitForProgram("LINE CARD APP"));
    ASSERT_TRUE(
        WaitFor([&] { return LogContent().mid(loggedBefore.size()).contains("FF28: "); }, kPollTimeoutMs))
        << "polling did not resume";

    const QByteArray logged = LogContent();
    ASSERT_LT(Window.TerminalContent().size(), kTerminalLimit)
        << "the view was trimmed: nothing to compare with";
    EXPECT_EQ(logged, ShownSinceLogging());  // nothing doubled, nothing of the tool's own
    EXPECT_EQ(logged.left(loggedBefore.size()), loggedBefore);
    EXPECT_TRUE(logged.mid(loggedBefore.size()).startsWith("Boot Loader Initialized\r\n"));
    EXPECT_EQ(Prompts.Notices.last(),
              "COM1 is back and open again.\n\n"
              "COM1 lost 2026-12-08 02:13:05, back 2026-12-08 02:13:05");
    EXPECT_EQ(Prompts.Warnings, QStringList());
}

TEST_F(E2eFaultPortLoss, AnotherDeviceAppearingIsNotOpened) {
    ASSERT_NO_FATAL_FAILURE(ConnectThroughLink({"--app", "linecard"}));
    ASSERT_TRUE(Board.Stop());
    ASSERT_NO_FATAL_FAILURE(ExpectCleanLoss());
    SimBoard other;
    ASSERT_TRUE(other.Start({"--app", "linecard"}));
    ASSERT_TRUE(QFile::link(other.DevicePath(), links_.filePath(QStringLiteral("com2"))));
    WaitFor([] { return false; }, kReopenMs);
    EXPECT_FALSE(Port.IsOpen());
    EXPECT_EQ(Window.ProgramText->text(), "UNKNOWN");
    EXPECT_EQ(Prompts.Notices, QStringList{kLostNotice});
    // Still waiting: the device is taken once it is behind COM1's path.
    ASSERT_TRUE(PointLinkAt(other.DevicePath()));
    EXPECT_TRUE(WaitFor([&] { return Port.IsOpen(); }, kReopenMs));
}

// A bridge's pty goes and its link stays, dangling; the next terminal opened on the machine, another
// program's, gets the same number.
TEST_F(E2eFaultPortLoss, ADanglingLinkIsNotFollowedToTheNextTerminalWithItsNumber) {
    std::optional<Pty> lost(std::in_place);
    const QString lostPath = lost->SlavePath();
    ASSERT_TRUE(PointLinkAt(lostPath));
    ASSERT_NO_FATAL_FAILURE(ChooseCom1(LinkPath()));
    lost.reset();
    ASSERT_TRUE(WaitFor([&] { return !Prompts.Notices.isEmpty(); }, kNoticeMs));
    // Terminals are numbered lowest free first, so the lost number comes back within a few opened meanwhile.
    std::vector<std::unique_ptr<Pty>> opened;
    while (opened.size() < kTerminalsTried && (opened.empty() || opened.back()->SlavePath() != lostPath)) {
        opened.push_back(std::make_unique<Pty>());
    }
    if (opened.back()->SlavePath() != lostPath) {
        GTEST_SKIP() << "another program kept " << lostPath.toStdString();
    }
    WaitFor([] { return false; }, kReopenMs);
    EXPECT_FALSE(Port.IsOpen());
    EXPECT_EQ(opened.back()->Read(1, 0), QByteArray());
}

// Nothing is written after the hang-up, so only the read side can tell.
TEST_F(E2eFaultPortLoss, HangUpWithNothingToSendIsReportedOnceAndAtOnce) {
    QtSerialPort port;
    std::vector<CommEvent> events;
    port.OnComm = [&](CommEvent event) { events.push_back(event); };
    qputenv("VELMORA_COM1", pty_.SlavePath().toLocal8Bit());
    port.SetPortNumber(1);
    ASSERT_EQ(port.Open().Status, OpenStatus::Opened);
    pty_.CloseMaster();
    EXPECT_TRUE(WaitFor([&] { return !events.empty(); }, kNoticeMs));
    CpuShareWhileEventLoopRuns(kSettleMs);
    EXPECT_LT(CpuShareWhileEventLoopRuns(kQuietMs / 4), kSpinShare);
    EXPECT_EQ(events, std::vector{CommEvent::PortLost});
    EXPECT_FALSE(port.IsOpen());
}

using E2eFaultInput = E2eFault;

// The garbage fault starts a second after the banner and repeats every few seconds; a banner printed after
// the first burst must still be read.
TEST_F(E2eFaultInput, SimulatorGarbageLeavesALaterBannerReadable) {
    const QString script = Board.WriteFile("net.txt", "2500 say Boot Loader Initialized\n");
    ASSERT_NO_FATAL_FAILURE(
        Connect({"--app", "linecard", "--boot-delay", "100", "--fault", "garbage", "--script", script}));
    ASSERT_TRUE(WaitForProgram("LINE CARD APP"));
    ASSERT_TRUE(WaitFor([&] { return Window.Session.State.ActiveProgram == kBootLoader; }, kPollTimeoutMs));
    const QByteArray shown = Window.TerminalContent().toLatin1();
    EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](char byte) {
        return byte == 0 || static_cast<unsigned char>(byte) >= 0x80;
    })) << "no garbage came before the banner";
    EXPECT_EQ(Prompts.Warnings, QStringList());
}

// More than the receive buffer holds, at ten times the line rate, without a line end.
TEST_F(E2eFaultInput, EndlessLineAtTenTimesTheLineRateStaysBoundedAndIsLoggedWhole) {
    ASSERT_NO_FATAL_FAILURE(ConnectToPty());
    ASSERT_NO_FATAL_FAILURE(StartLogging());
    qsizetype largestBuffer = 0;
    qsizetype largestView = 0;
    qsizetype largestPiece = 0;
    const auto windowHandler = Port.OnComm;
    Port.OnComm = [&](CommEvent event) {
        const qint64 logged = Window.Session.State.LogFile.size();  // flushed per piece, so it grows by the piece
        windowHandler(event);
        largestPiece = std::max(largestPiece, Window.Session.State.LogFile.size() - logged);
        largestBuffer = std::max(largestBuffer, Window.Session.State.ReceiveBuffer.size());
        largestView = std::max(largestView, Window.TerminalContent().size());
    };
    const QByteArray line = EndlessLine(kReceiveBufferLimit + kReceiveBufferLimit / 50);
    const double cpuBefore = CpuSeconds();
    WritePaced(pty_, line, kLineRate);
    ASSERT_NO_FATAL_FAILURE(Say("\r\n"));
    Port.OnComm = windowHandler;
    std::printf(
        "[ flood    ] %.1f CPU s for %lld bytes; receive buffer peak %lld, view peak %lld, piece peak %lld\n",
        CpuSeconds() - cpuBefore, static_cast<long long>(line.size()), static_cast<long long>(largestBuffer),
        static_cast<long long>(largestView), static_cast<long long>(largestPiece));
    EXPECT_LE(largestBuffer, kReceiveBufferLimit);  // the line is dropped whole once it passes the cap
    EXPECT_LE(largestView, kTerminalLimit + largestPiece);
    EXPECT_TRUE(Window.Session.State.ReceiveBuffer.isEmpty());
    ASSERT_NO_FATAL_FAILURE(Say("Line Card Application Initialized\r\n"));
    EXPECT_EQ(Window.Session.State.ActiveProgram, kLineCardApp);
    EXPECT_EQ(LogContent(), line + "\r\nLine Card Application Initialized\r\n");
    EXPECT_EQ(Prompts.Warnings, QStringList());
}

TEST_F(E2eFaultInput, AllByteValuesReachTheViewAndTheLogUnchanged) {
    ASSERT_NO_FATAL_FAILURE(ConnectToPty());
    ASSERT_NO_FATAL_FAILURE(StartLogging());
    QByteArray reversed = AllByteValues();
    std::reverse(reversed.begin(), reversed.end());
    const QByteArray sent = AllByteValues() + reversed;
    WritePaced(pty_, sent, kLineRate / 10);
    ASSERT_TRUE(WaitFor([&] { return ShownSinceLogging().size() >= sent.size(); }, kLossTimeoutMs));
    EXPECT_EQ(ShownSinceLogging(), sent);
    Window.SyncTerminalView();
    EXPECT_EQ(Window.TerminalText->toPlainText().size(), Window.TerminalContent().size());
    EXPECT_EQ(LogContent(), sent);
}

}  // namespace
