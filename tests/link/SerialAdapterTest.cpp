#include "FakePrompts.h"
#include "Pty.h"
#include "app/GuiMain.h"
#include "link/QtSerialPort.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <termios.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr int kSettleMs = 100;       // a lost port leaves the process idle within this time
constexpr int kIdleWindowMs = 300;   // then its CPU share is measured over this time
constexpr double kSpinShare = 0.25;  // only a busy loop uses this much of a core with nothing to do

// The window on the real serial adapter; its port list is made from the environment at Form_Load.
struct WindowOnPty {
    QtSerialPort port;
    FakePrompts prompts;
    GuiMain window{port, prompts};
    WindowOnPty() { window.Form_Load(); }
};

struct PtyFixture : ::testing::Test {
    Pty pty;
    void SetUp() override { qputenv("VELMORA_COM1", pty.SlavePath().toLocal8Bit()); }
    void TearDown() override {
        qunsetenv("VELMORA_COM1");
        qunsetenv("VELMORA_COM2");
    }
};

}  // namespace

TEST_F(PtyFixture, ChoosingCom1OpensThePtyAt57600EightNOneAndShowsWhatArrives) {
    WindowOnPty s;
    ASSERT_GE(s.window.CommPortSelect->count(), 2);
    EXPECT_EQ(s.window.CommPortSelect->itemText(1), QStringLiteral("COM1"));
    EXPECT_EQ(s.window.CommPortSelect->itemData(1, Qt::ToolTipRole).toString(), pty.SlavePath());
    s.window.CommPortSelect->setCurrentIndex(1);
    ASSERT_TRUE(s.port.IsOpen()) << s.prompts.Warnings.join(' ').toStdString();

    termios line{};
    ASSERT_EQ(::tcgetattr(pty.MasterFd(), &line), 0);
    EXPECT_EQ(::cfgetospeed(&line), speed_t(B57600));
    EXPECT_EQ(line.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), tcflag_t(0));
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF), tcflag_t(0));

    QByteArray all;
    for (int value = 0; value < 256; ++value) {
        all.append(static_cast<char>(value));
    }
    pty.Write("Hello from the board\r\n" + all);
    EXPECT_TRUE(WaitFor([&] { return s.window.TerminalContent().size() >= 22 + 256; }, 3000));
    EXPECT_EQ(s.window.TerminalContent().toLatin1(), "Hello from the board\r\n" + all);
    EXPECT_EQ(s.window.Session.State.ReplyLine, QStringLiteral("Hello from the board"));

    s.window.Session.SendCommand(QStringLiteral("versions"));
    EXPECT_EQ(pty.Read(10, 2000), QByteArray("versions\r\n"));
}

TEST_F(PtyFixture, ClosedPtyEndsTheSessionWithoutSpinning) {
    WindowOnPty s;
    s.window.CommPortSelect->setCurrentIndex(1);
    ASSERT_TRUE(s.port.IsOpen());
    pty.CloseMaster();
    s.window.Session.Clock = [] { return QDateTime(QDate(2026, 12, 8), QTime(2, 13, 5)); };
    s.window.Session.SendCommand(QStringLiteral("cpu"));
    EXPECT_TRUE(WaitFor([&] { return !s.prompts.Notices.isEmpty(); }, 3000));
    CpuShareWhileEventLoopRuns(kSettleMs);
    EXPECT_LT(CpuShareWhileEventLoopRuns(kIdleWindowMs), kSpinShare);
    EXPECT_FALSE(s.port.IsOpen());
    // Its path names the next terminal opened on the machine, so it is not awaited.
    EXPECT_EQ(s.window.CommPortSelect->currentIndex(), 0);
    EXPECT_FALSE(s.window.Session.ReopenTimer.isActive());
    EXPECT_EQ(s.prompts.Notices,
              QStringList({"COM1 is no longer available. Reconnect it, then choose it again.\n"
                           "\nCOM1 lost 2026-12-08 02:13:05"}));
    EXPECT_TRUE(s.prompts.Warnings.isEmpty());
}

// COM1 is held by another program (a second open of the same terminal); COM2's device goes away after the
// list was made. Both are listed, and choosing them says why they do not open and what to do.
TEST_F(PtyFixture, BusyAndVanishedPortsAreListedAndExplainedWhenChosen) {
    Pty second;
    QTemporaryDir dir;
    const QString adapter = dir.filePath(QStringLiteral("ttyUSB0"));
    ASSERT_TRUE(QFile::link(second.SlavePath(), adapter));
    qputenv("VELMORA_COM2", QFile::encodeName(adapter));
    QSerialPort otherProgram(pty.SlavePath());
    ASSERT_TRUE(otherProgram.open(QIODevice::ReadWrite));
    WindowOnPty s;
    ASSERT_GE(s.window.CommPortSelect->count(), 3);
    EXPECT_EQ(s.window.CommPortSelect->itemText(2), QStringLiteral("COM2"));

    s.window.CommPortSelect->setCurrentIndex(1);
    EXPECT_FALSE(s.port.IsOpen());
    ASSERT_TRUE(QFile::remove(adapter));
    s.window.CommPortSelect->setCurrentIndex(2);
    EXPECT_FALSE(s.port.IsOpen());
    EXPECT_EQ(
        s.prompts.Warnings,
        QStringList({QStringLiteral("Permission error while locking the device\n%1 is in use by another "
                                    "program: close that program, then choose the port again.")
                         .arg(pty.SlavePath()),
                     QStringLiteral("%1 does not exist.\n%1 is no longer there: reconnect the adapter, "
                                    "then choose the port again.")
                         .arg(adapter)}));
    otherProgram.close();
    s.window.CommPortSelect->setCurrentIndex(1);
    EXPECT_TRUE(s.port.IsOpen());
}

TEST(SendEvent, RaisedOncePerFallBelowTheThresholdAndNeverAtZero) {
    QtSerialPort port;
    Pty pty;
    qputenv("VELMORA_COM1", pty.SlavePath().toLocal8Bit());
    port.SetPortNumber(1);
    ASSERT_EQ(port.Open().Status, OpenStatus::Opened);
    qunsetenv("VELMORA_COM1");
    qint64 pending = 0;
    port.PendingOutput = [&] { return pending; };
    int events = 0;
    port.OnComm = [&](CommEvent event) { events += event == CommEvent::Send; };

    port.SetSendThreshold(500);
    pending = 2000;
    port.Send("x");  // checks the level
    pending = 1200;
    QCoreApplication::processEvents();
    EXPECT_TRUE(WaitFor([&] { return false; }, 30) == false);
    EXPECT_EQ(events, 0);
    pending = 499;
    EXPECT_TRUE(WaitFor([&] { return events == 1; }, 500));
    WaitFor([] { return false; }, 50);
    EXPECT_EQ(events, 1);  // once per crossing, however long it stays below

    pending = 2000;
    port.Send("y");
    port.SetSendThreshold(0);
    pending = 0;
    WaitFor([] { return false; }, 50);
    EXPECT_EQ(events, 1);
}

// A board that prints a byte at a time: what arrives while reading is paused, or while the handler runs a
// nested event loop, is read in one go. Every byte arrives, in order, and never to a handler that is still
// running; without nesting, receive events come at most once per gathering interval.
TEST_F(PtyFixture, GatheredReadsKeepEveryByteInOrder) {
    const struct {
        const char* Name;
        int GatherMs;
        int NestedLoopMs;  // how long each receive handler runs a nested event loop
    } kCases[] = {{"gathered", 30, 0}, {"nested loops", 0, 15}, {"gathered and nested loops", 30, 15}};
    for (const auto& row : kCases) {
        SCOPED_TRACE(row.Name);
        QtSerialPort port;
        ASSERT_EQ(port.OpenDevice(pty.SlavePath()).Status, OpenStatus::Opened);
        // Qt never reads the port: on some versions its read notifier fires endlessly once the terminal hangs
        // up.
        EXPECT_FALSE(port.Port().isReadable());
        port.SetReadGathering(row.GatherMs);
        QByteArray received;
        QList<qint64> eventTimes;
        int depth = 0;
        int deepest = 0;
        QElapsedTimer clock;
        clock.start();
        port.OnComm = [&](CommEvent event) {
            if (event != CommEvent::Receive) {
                return;
            }
            deepest = std::max(deepest, ++depth);
            received += port.ReadInput();
            eventTimes << clock.elapsed();
            if (row.NestedLoopMs > 0) {
                CpuShareWhileEventLoopRuns(row.NestedLoopMs);
            }
            --depth;
        };
        QByteArray sent;
        for (int value = 0; value < 300; ++value) {
            sent.append(static_cast<char>(value));
        }
        std::thread board([&] {
            for (const char byte : sent) {
                pty.Write(QByteArray(1, byte));
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        EXPECT_TRUE(WaitFor([&] { return received.size() >= sent.size(); }, 10000));
        board.join();
        EXPECT_EQ(received, sent);
        EXPECT_EQ(deepest, 1);
        for (qsizetype event = 1; event < eventTimes.size() && row.NestedLoopMs == 0; ++event) {
            EXPECT_GE(eventTimes.at(event) - eventTimes.at(event - 1), row.GatherMs - 1) << event;
        }
    }
}

// The terminal's other end closes, so reading it returns 0. The first byte after a quiet spell is read at
// once; a hang-up while reading is paused is seen when the pause ends. The loss is reported once, after what
// came before it, and the process is idle again at once.
TEST(HangUp, IsReportedOnceAfterWhatCameBeforeAndLeavesTheProcessIdle) {
    const struct {
        const char* Name;
        int GatherMs;
        QByteArray Before;  // what the board prints before it hangs up
    } kCases[] = {{"while idle", 0, {}}, {"while reading is paused", 300, "x"}};
    for (const auto& row : kCases) {
        SCOPED_TRACE(row.Name);
        Pty pty;
        QtSerialPort port;
        ASSERT_EQ(port.OpenDevice(pty.SlavePath()).Status, OpenStatus::Opened);
        port.SetReadGathering(row.GatherMs);
        std::vector<CommEvent> events;
        QByteArray received;
        port.OnComm = [&](CommEvent event) {
            events.push_back(event);
            received += port.ReadInput();
        };
        QElapsedTimer clock;
        if (!row.Before.isEmpty()) {
            clock.start();
            pty.Write(row.Before);
            ASSERT_TRUE(WaitFor([&] { return !events.empty(); }, 3000));
            EXPECT_LT(clock.elapsed(), std::max(row.GatherMs, kSettleMs)) << "the first byte waited";
        }
        clock.start();
        pty.CloseMaster();
        EXPECT_TRUE(WaitFor([&] { return !events.empty() && events.back() == CommEvent::PortLost; }, 3000));
        EXPECT_LT(clock.elapsed(), row.GatherMs + 3 * kSettleMs);
        CpuShareWhileEventLoopRuns(kSettleMs);
        EXPECT_LT(CpuShareWhileEventLoopRuns(kIdleWindowMs), kSpinShare);
        const auto expected = row.Before.isEmpty() ? std::vector{CommEvent::PortLost}
                                                   : std::vector{CommEvent::Receive, CommEvent::PortLost};
        EXPECT_EQ(events, expected);
        EXPECT_EQ(received, row.Before);
        EXPECT_FALSE(port.IsOpen());
    }
}
