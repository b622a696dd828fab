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

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

namespace {

// The window on the real serial adapter; its port list is made from the environment at Form_Load.
struct Session {
    QtSerialPort port;
    FakePrompts prompts;
    GuiMain window{port, prompts};
    Session() { window.Form_Load(); }
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
    Session s;
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
    EXPECT_EQ(s.window.State.ReplyLine, QStringLiteral("Hello from the board"));

    s.window.SendCommand(QStringLiteral("versions"));
    EXPECT_EQ(pty.Read(10, 2000), QByteArray("versions\r\n"));
}

TEST_F(PtyFixture, ClosedPtyEndsTheSessionWithoutSpinning) {
    Session s;
    s.window.CommPortSelect->setCurrentIndex(1);
    ASSERT_TRUE(s.port.IsOpen());
    pty.CloseMaster();
    s.window.Clock = [] { return QDateTime(QDate(2026, 12, 8), QTime(2, 13, 5)); };
    s.window.SendCommand(QStringLiteral("cpu"));
    EXPECT_TRUE(WaitFor([&] { return !s.prompts.Notices.isEmpty(); }, 3000));
    EXPECT_FALSE(s.port.IsOpen());
    // Its path names the next terminal opened on the machine, so it is not awaited.
    EXPECT_EQ(s.window.CommPortSelect->currentIndex(), 0);
    EXPECT_FALSE(s.window.ReopenTimer.isActive());
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
    Session s;
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

// A board that prints a byte at a time: what arrives while reading is paused is read in one go, so receive
// events come at most once per gathering interval, and every byte arrives, in order.
TEST_F(PtyFixture, GatheredReadsKeepEveryByteInOrderAndComeAtMostOncePerInterval) {
    constexpr int kGatherMs = 30;
    QtSerialPort port;
    ASSERT_EQ(port.OpenDevice(pty.SlavePath()).Status, OpenStatus::Opened);
    port.SetReadGathering(kGatherMs);
    QByteArray received;
    QList<qint64> eventTimes;
    QElapsedTimer clock;
    clock.start();
    port.OnComm = [&](CommEvent event) {
        if (event == CommEvent::Receive) {
            received += port.ReadInput();
            eventTimes << clock.elapsed();
        }
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
    for (qsizetype event = 1; event < eventTimes.size(); ++event) {
        EXPECT_GE(eventTimes.at(event) - eventTimes.at(event - 1), kGatherMs - 1) << event;
    }
}
