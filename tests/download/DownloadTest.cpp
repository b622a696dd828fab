#include "TestWindow.h"
#include "app/TerminalView.h"
#include "download/DownloadPhase.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QByteArray kReset[] = {"\r\n", "reset\r\n"};
const QByteArray kStop = "stop\r\n";

// File bytes of every value, NUL and bytes above 127 included, so any change on the way would show.
QByteArray ProgramBytes(int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (int index = 0; index < size; ++index) {
        bytes[index] = static_cast<char>(index * 7 + index / 256);
    }
    return bytes;
}

// What the board must receive for a file: 1000-byte blocks, the last one completed with line feeds.
QList<QByteArray> Blocks(const QByteArray& file) {
    QList<QByteArray> blocks;
    for (qsizetype at = 0; at < file.size(); at += 1000) {
        QByteArray block = file.mid(at, 1000);
        blocks << block.append(1000 - block.size(), '\n');
    }
    return blocks;
}

class Download : public ::testing::Test {
  protected:
    TestWindow t;
    GuiMain& w = t.Window;
    FakeSerialPort& port = t.Port;
    QTemporaryDir dir;
    qint64 now = 0;      // ms on the engine's clock
    qint64 pending = 0;  // characters the port holds back

    void SetUp() override {
        t.Connected();
        w.Session.Download.NowMs = [this] { return now; };
        w.Session.Download.PendingOutput = [this] { return pending; };
    }

    QString WriteFile(const QByteArray& bytes, const QString& name = QStringLiteral("prog.hex")) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
    void Start(const QString& path) {
        t.Prompts.FileAnswers.push_back(path);
        w.DownloadButton_Click();
    }
    // Logging on, then start and "Ready": the next piece, "Stopped", starts the transfer. Returns the log's
    // path.
    QString LoggedUpToReady(const QString& path) {
        const QString log = dir.filePath(QStringLiteral("console.txt"));
        t.Prompts.FileAnswers.push_back(log);
        w.LoggingButton_Click();
        Start(path);
        port.ReceiveLater("Boot Loader Ready\r\n");
        return log;
    }
    // Start, "Ready", "Stopped": the first blocks are out.
    void Transfer(const QString& path) {
        Start(path);
        port.ReceiveLater("Boot Loader Ready\r\n");
        port.ReceiveLater("Boot Loader Stopped\r\n");
    }
    // The line has carried everything: the next tick starts the flashing wait.
    void LastByteArrived() {
        now += 3600000;
        pending = 0;
        w.Session.Download.DownloadTimer_Timer();
    }
    void FlashTicks(int count) {
        for (int tick = 0; tick < count; ++tick) {
            w.Session.Download.DownloadTimer_Timer();
        }
    }
    // The window as every ending leaves it.
    void ExpectEnded() {
        EXPECT_FALSE(w.Session.Download.State.DownloadActive);
        EXPECT_FALSE(w.Session.Download.State.DownloadFile.isOpen());
        EXPECT_EQ(port.SendThreshold, 0);
        EXPECT_FALSE(w.Session.DownloadTimer.isActive());
        EXPECT_TRUE(w.Session.TransmitTimer.isActive());
        EXPECT_TRUE(w.CommPortSelect->isEnabled());
        EXPECT_EQ(w.DownloadButton->text(), QStringLiteral("Program Download"));
        EXPECT_TRUE(w.DownloadStatus->isHidden());
        EXPECT_TRUE(w.DownloadProgress->isHidden());
        EXPECT_FALSE(w.OpConfig->isHidden());
        EXPECT_TRUE(w.Session.Download.State.ReplyLine.isEmpty());
        EXPECT_EQ(w.Session.State.ActiveProgram, kNoProgram);
        ASSERT_GE(port.Sends.size(), 2);
        EXPECT_EQ(port.Sends.mid(port.Sends.size() - 2),
                  QList<QByteArray>(std::begin(kReset), std::end(kReset)));
    }
};

TEST_F(Download, CancelledDialogChangesNothing) {
    w.DownloadButton_Click();
    ASSERT_EQ(t.Prompts.FileRequests.size(), 1);
    const FileRequest& request = t.Prompts.FileRequests.front();
    EXPECT_EQ(request.Title, QStringLiteral("Select File to Download"));
    EXPECT_EQ(request.Filters,
              QStringList({QStringLiteral("Program File (*.hex)"), QStringLiteral("All Files (*.*)")}));
    EXPECT_TRUE(request.MustExist);
    EXPECT_FALSE(w.Session.Download.State.DownloadActive);
    EXPECT_TRUE(port.Sends.isEmpty());
    EXPECT_TRUE(w.Session.TransmitTimer.isActive());
    EXPECT_TRUE(w.CommPortSelect->isEnabled());
    EXPECT_EQ(w.DownloadButton->text(), QStringLiteral("Program Download"));
}

// What line assembly held before a download (the skipped rest of an endless line, half a line) belongs to no
// line after it: the board's first line after the download is read whole.
TEST_F(Download, StartsFromAnEmptyReceiveBuffer) {
    const QByteArray before[] = {QByteArray((1 << 20) + 10, 'x'), "half a li"};
    for (const QByteArray& text : before) {
        SCOPED_TRACE(text.size());
        port.ReceiveLater(text);
        Start(WriteFile(ProgramBytes(10)));
        w.DownloadButton_Click();
        t.Line(QStringLiteral("Boot Loader Initialized"));
        EXPECT_EQ(w.Session.State.ActiveProgram, kBootLoader);
        EXPECT_EQ(w.Session.State.ReplyLine, QStringLiteral("Boot Loader Initialized"));
    }
}

TEST_F(Download, StartShowsTheDownloadViewAndResetsTheBoard) {
    const QString path = WriteFile(ProgramBytes(10));
    Start(path);
    EXPECT_TRUE(w.Session.Download.State.DownloadActive);
    EXPECT_EQ(w.Session.Download.State.DownloadPhase, kAwaitingReady);
    EXPECT_EQ(w.Session.Download.State.DownloadPath, path);
    EXPECT_EQ(w.Session.Download.State.DownloadName, QStringLiteral("prog.hex"));
    EXPECT_EQ(w.Session.State.ActiveProgram, kBootLoader);
    EXPECT_FALSE(w.Session.TransmitTimer.isActive());
    EXPECT_FALSE(w.CommPortSelect->isEnabled());
    EXPECT_EQ(port.Sends, QList<QByteArray>(std::begin(kReset), std::end(kReset)));
    EXPECT_EQ(w.Session.DownloadTimer.interval(), 9000);
    EXPECT_TRUE(w.Session.DownloadTimer.isActive());
    EXPECT_EQ(w.DownloadButton->text(), QStringLiteral("Abort Download"));
    EXPECT_EQ(w.DownloadStatus->text(), QStringLiteral("Rebooting Velmora ..."));
    EXPECT_EQ(w.DownloadProgress->value(), 0);
    EXPECT_TRUE(w.OpConfig->isHidden());
    EXPECT_FALSE(w.DownloadStatus->isHidden());
    EXPECT_FALSE(w.DownloadProgress->isHidden());
    // Twips relative to the tab control, 15 to the pixel.
    EXPECT_EQ(QRect(w.DownloadStatus->mapTo(w.GUI_Tabs, QPoint()), w.DownloadStatus->size()),
              QRect(112, 128, 225, 19));
    EXPECT_EQ(QRect(w.DownloadProgress->mapTo(w.GUI_Tabs, QPoint()), w.DownloadProgress->size()),
              QRect(80, 160, 289, 25));
    EXPECT_EQ(w.SoftwareConfig->height(), 2575 / 15);

    w.DownloadButton_Click();
    ExpectEnded();
    EXPECT_EQ(w.SoftwareConfig->height(), 1452 / 15);
}

struct StreamCase {
    int size;
    int sendEvents;            // send events until the whole file is handed over
    QList<int> progressShown;  // the bar from the first block to the start of the flashing wait
};

void PrintTo(const StreamCase& c, std::ostream* os) {
    *os << c.size << " bytes";
}

class DownloadStream : public Download, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(DownloadStream, SendsTheFileInPaddedBlocksThenFlashesAndResets) {
    const StreamCase& c = GetParam();
    const QByteArray file = ProgramBytes(c.size);
    QList<int> shown;
    QObject::connect(w.DownloadProgress, &QProgressBar::valueChanged, [&](int value) { shown << value; });
    Transfer(WriteFile(file));
    EXPECT_EQ(port.SendThreshold, c.sendEvents > 0 ? 500 : 0);
    for (int event = 0; event < c.sendEvents; ++event) {
        EXPECT_EQ(w.DownloadStatus->text(), QStringLiteral("Sending prog.hex ..."));
        port.RaiseSendEvent();
    }
    // Handed over, but not yet on the line: 57600 bit/s, 10 bits a byte.
    const qsizetype padded = Blocks(file).size() * 1000;
    EXPECT_EQ(port.SendThreshold, 0);
    EXPECT_EQ(w.DownloadStatus->text(), QStringLiteral("Sending prog.hex ..."));
    EXPECT_EQ(w.Session.DownloadTimer.interval(), (padded * 10000 + 57599) / 57600);
    LastByteArrived();
    EXPECT_EQ(shown, c.progressShown);
    EXPECT_EQ(w.DownloadStatus->text(), QStringLiteral("Flashing prog.hex ..."));
    EXPECT_EQ(w.Session.DownloadTimer.interval(), 400);

    const qsizetype sendsBefore = port.Sends.size();
    port.RaiseSendEvent();  // a stale event: the file is out
    FlashTicks(19);
    EXPECT_EQ(port.Sends.size(), sendsBefore);
    EXPECT_TRUE(w.Session.Download.State.DownloadActive);
    EXPECT_EQ(w.DownloadProgress->value(), 95);
    FlashTicks(1);
    ExpectEnded();

    QList<QByteArray> expected = {kReset[0], kReset[1], kStop};
    expected << Blocks(file) << kReset[0] << kReset[1];
    EXPECT_EQ(port.Sends, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, DownloadStream,
    ::testing::Values(
        StreamCase{8000, 6, {25, 38, 50, 62, 75, 88, 100, 0}},  // halves to even: 37.5, 62.5, 87.5
        StreamCase{2500, 1, {80, 100, 0}},                      // capped at the maximum
        StreamCase{3000, 1, {67, 100, 0}},                      // no filler at an exact multiple
        StreamCase{1500, 0, {100, 0}},                          // over after the initial burst
        StreamCase{1000, 0, {100, 0}},                          // one block
        StreamCase{1, 0, {100, 0}}),
    [](const auto& info) { return std::to_string(info.param.size); });

// Counted from the first block handed to the port, whatever the port's own buffers took at once.
TEST_F(Download, FlashingWaitsUntilTheLastByteCanHaveReachedTheBoard) {
    now = 1000;
    Transfer(WriteFile(ProgramBytes(5500)));
    now = 1500;
    for (int event = 0; event < 4; ++event) {
        port.RaiseSendEvent();
    }
    EXPECT_EQ(w.Session.DownloadTimer.interval(), 1000 + 1042 - 1500);  // 6000 bytes take 1041.7 ms
    now = 2041;
    w.Session.Download.DownloadTimer_Timer();
    EXPECT_EQ(w.DownloadStatus->text(), QStringLiteral("Sending prog.hex ..."));
    EXPECT_EQ(w.Session.DownloadTimer.interval(), 1);
    now = 2042;
    pending = 600;  // a UART's queue: 104.2 ms of line
    w.Session.Download.DownloadTimer_Timer();
    EXPECT_EQ(w.DownloadStatus->text(), QStringLiteral("Sending prog.hex ..."));
    EXPECT_EQ(w.Session.DownloadTimer.interval(), 105);
    pending = 0;
    w.Session.Download.DownloadTimer_Timer();
    EXPECT_EQ(w.DownloadStatus->text(), QStringLiteral("Flashing prog.hex ..."));
    EXPECT_EQ(w.DownloadProgress->value(), 0);
    FlashTicks(19);
    EXPECT_TRUE(w.Session.Download.State.DownloadActive);
    FlashTicks(1);
    ExpectEnded();
}

TEST_F(Download, KeepsTheProgressAsAFraction) {
    Transfer(WriteFile(ProgramBytes(3000)));
    EXPECT_DOUBLE_EQ(w.Session.Download.State.DownloadProgressValue, 200.0 / 3);
    EXPECT_EQ(w.DownloadProgress->value(), 67);
}

TEST_F(Download, EmptyFileEndsWithAWarningAndSendsNoBlock) {
    Transfer(WriteFile({}, QStringLiteral("empty.hex")));
    EXPECT_EQ(t.Prompts.Warnings,
              QStringList{QStringLiteral("empty.hex is empty: there is nothing to download.")});
    ExpectEnded();
    EXPECT_EQ(port.Sends, QList<QByteArray>({kReset[0], kReset[1], kStop, kReset[0], kReset[1]}));
}

TEST_F(Download, MissingFileEndsWithTheSystemsDescription) {
    Transfer(dir.filePath(QStringLiteral("gone.hex")));
    EXPECT_EQ(t.Prompts.Warnings, QStringList{QStringLiteral("No such file or directory")});
    ExpectEnded();
    EXPECT_EQ(port.Sends, QList<QByteArray>({kReset[0], kReset[1], kStop, kReset[0], kReset[1]}));
}

TEST_F(Download, FileTooLargeToCountIsRefused) {
    const QString path = WriteFile({});
    ASSERT_TRUE(QFile::resize(path, qint64{3} << 30));  // sparse: nothing is written
    Transfer(path);
    EXPECT_EQ(t.Prompts.Warnings, QStringList{QStringLiteral("prog.hex is too large to download.")});
    ExpectEnded();
    EXPECT_EQ(port.Sends.size(), 5);
}

TEST_F(Download, FileCutShortDuringTheTransferEndsIt) {
    const QString path = WriteFile(ProgramBytes(5000));
    Transfer(path);
    ASSERT_TRUE(QFile::resize(path, 2500));
    port.RaiseSendEvent();
    EXPECT_EQ(t.Prompts.Warnings,
              QStringList{QStringLiteral("prog.hex became shorter during the download.")});
    ExpectEnded();
    EXPECT_EQ(port.Sends.size(), 3 + 2 + 2);  // the two blocks of the burst, nothing read past the cut
}

TEST_F(Download, FindsAnnouncementsInTheCollectedText) {
    Start(WriteFile(ProgramBytes(3000)));
    port.ReceiveLater("Boot Loa");
    EXPECT_EQ(port.Sends.size(), 2);
    port.ReceiveLater("der Ready\r\n");
    EXPECT_EQ(port.Sends.last(), kStop);
    EXPECT_EQ(w.Session.Download.State.DownloadPhase, kStoppingBootLoader);
    EXPECT_EQ(w.Session.DownloadTimer.interval(), 2000);
    EXPECT_TRUE(w.Session.DownloadTimer.isActive());

    // "Ready" is tested first; the "Stopped" after it goes with the cleared text. A repeated "Ready" starts
    // the 2 s wait afresh (the interval set here stands for a wait already under way).
    w.Session.DownloadTimer.start(5000);
    port.ReceiveLater("Boot Loader Ready\r\nBoot Loader Stopped\r\n");
    EXPECT_EQ(port.Sends.size(), 4);
    EXPECT_EQ(port.Sends.last(), kStop);
    EXPECT_TRUE(w.Session.DownloadTimer.isActive());
    EXPECT_EQ(w.Session.DownloadTimer.interval(), 2000);
    EXPECT_TRUE(w.Session.Download.State.ReplyLine.isEmpty());

    // Garbage (NUL, bytes above 127) is kept only as a bounded tail, and a marker split after it is still
    // found.
    port.ReceiveLater(QByteArray(100000, '\0') + QByteArray(100, '\xff') + "Boot Loader St");
    EXPECT_LE(w.Session.Download.State.ReplyLine.size(), 4096);
    EXPECT_EQ(port.Sends.size(), 4);
    port.ReceiveLater("opped\r\n");
    EXPECT_EQ(w.Session.Download.State.DownloadPhase, kTransferring);
    EXPECT_FALSE(w.Session.DownloadTimer.isActive());
    EXPECT_EQ(port.Sends.size(), 6);
}

TEST_F(Download, StoppedWithoutReadyStartsTheTransfer) {
    const QByteArray file = ProgramBytes(2000);
    Start(WriteFile(file));
    port.ReceiveLater("Boot Loader Stopped\r\n");
    EXPECT_EQ(port.Sends, QList<QByteArray>({kReset[0], kReset[1]}) + Blocks(file));
    LastByteArrived();
    EXPECT_EQ(w.DownloadStatus->text(), QStringLiteral("Flashing prog.hex ..."));
}

TEST_F(Download, BootLoaderNotDetectedAfterTwoResets) {
    Start(WriteFile(ProgramBytes(3000)));
    w.Session.Download.State.ReplyLine = QStringLiteral("noise");
    w.Session.Download.DownloadTimer_Timer();
    EXPECT_EQ(w.Session.Download.State.BootRetryCount, 1);
    EXPECT_TRUE(w.Session.Download.State.ReplyLine.isEmpty());
    EXPECT_EQ(port.Sends.size(), 4);
    EXPECT_TRUE(w.Session.DownloadTimer.isActive());

    // Under the warning nothing goes on: ticks, announcements and send events are all held.
    t.Prompts.WhileWarningShown = [&] {
        EXPECT_FALSE(w.Session.DownloadTimer.isActive());
        w.Session.Download.DownloadTimer_Timer();
        port.ReceiveLater("Boot Loader Ready\r\n");
        port.RaiseSendEvent();
        EXPECT_EQ(port.Sends.size(), 4);
        EXPECT_TRUE(w.Session.Download.State.DownloadActive);
    };
    w.Session.Download.DownloadTimer_Timer();
    EXPECT_EQ(t.Prompts.Warnings, QStringList{QStringLiteral("Boot Loader Not Detected")});
    ExpectEnded();
    EXPECT_EQ(port.Sends,
              QList<QByteArray>({kReset[0], kReset[1], kReset[0], kReset[1], kReset[0], kReset[1]}));
}

TEST_F(Download, ReadyAfterTheRepeatedResetGoesOnUntilUnresponsive) {
    Start(WriteFile(ProgramBytes(3000)));
    w.Session.Download.DownloadTimer_Timer();
    port.ReceiveLater("Boot Loader Ready\r\n");
    w.Session.DownloadTimer.stop();  // as if 2 s had passed without "Stopped"
    t.Prompts.WhileWarningShown = [&] {
        port.ReceiveLater("Boot Loader Stopped\r\n");  // too late: no file is opened under the box
        EXPECT_FALSE(w.Session.Download.State.DownloadFile.isOpen());
    };
    w.Session.Download.DownloadTimer_Timer();
    EXPECT_EQ(t.Prompts.Warnings, QStringList{QStringLiteral("Boot Loader Unresponsive")});
    ExpectEnded();
    EXPECT_EQ(port.Sends,
              QList<QByteArray>({kReset[0], kReset[1], kReset[0], kReset[1], kStop, kReset[0], kReset[1]}));
}

// Reaches each state of a running download.
enum class Reached { AwaitingReady, StoppingBootLoader, Sending, FlashWait };

void PrintTo(Reached reached, std::ostream* os) {
    static const char* const kNames[] = {"AwaitingReady", "StoppingBootLoader", "Sending", "FlashWait"};
    *os << kNames[static_cast<int>(reached)];
}

class DownloadAbort : public Download, public ::testing::WithParamInterface<Reached> {};

TEST_P(DownloadAbort, EndsAtOnceAndIgnoresLateEvents) {
    Start(WriteFile(ProgramBytes(8000)));
    if (GetParam() != Reached::AwaitingReady) {
        port.ReceiveLater("Boot Loader Ready\r\n");
    }
    if (GetParam() >= Reached::Sending) {
        port.ReceiveLater("Boot Loader Stopped\r\n");
    }
    if (GetParam() == Reached::FlashWait) {
        for (int event = 0; event < 6; ++event) {
            port.RaiseSendEvent();
        }
        LastByteArrived();
        FlashTicks(3);
    }
    const qsizetype sendsBefore = port.Sends.size();
    w.DownloadButton_Click();
    ExpectEnded();
    EXPECT_EQ(port.Sends.size(), sendsBefore + 2);
    EXPECT_TRUE(t.Prompts.Warnings.isEmpty());

    port.RaiseSendEvent();
    w.Session.Download.DownloadTimer_Timer();
    port.ReceiveLater("Boot Loader Stopped\r\n");
    EXPECT_EQ(port.Sends.size(), sendsBefore + 2);
}

INSTANTIATE_TEST_SUITE_P(States, DownloadAbort,
                         ::testing::Values(Reached::AwaitingReady, Reached::StoppingBootLoader,
                                           Reached::Sending, Reached::FlashWait),
                         [](const auto& info) { return ::testing::PrintToString(info.param); });

TEST_F(Download, SendEventsInsideASendEventSendEachBlockOnce) {
    const QByteArray file = ProgramBytes(6000);
    Transfer(WriteFile(file));
    // Delivered while the outer event lets pending events run.
    QTimer::singleShot(0, [&] { port.RaiseSendEvent(); });
    port.RaiseSendEvent();
    EXPECT_EQ(port.Sends.mid(3), Blocks(file).mid(0, 3));
    port.RaiseSendEvent();
    EXPECT_EQ(port.Sends.mid(3), Blocks(file).mid(0, 4));
}

TEST_F(Download, TextArrivingWhileASendEventLetsEventsRunIsShownOnce) {
    Transfer(WriteFile(ProgramBytes(6000)));
    QTimer::singleShot(0, [&] {
        port.ReceiveLater("block 1 ok\r\n");
        w.SyncTerminalView();  // as the view's timer would, coming due in the nested loop
        port.ReceiveLater("block 2 ok\r\n");
    });
    port.RaiseSendEvent();
    port.ReceiveLater("block 3 ok\r\n");
    EXPECT_EQ(SyncedViewText(w),
              QStringLiteral(
                  "Boot Loader Ready\r\nBoot Loader Stopped\r\nblock 1 ok\r\nblock 2 ok\r\nblock 3 ok\r\n"));
}

TEST_F(Download, AbortWhileASendEventWaitsSendsNoBlock) {
    Transfer(WriteFile(ProgramBytes(6000)));
    QTimer::singleShot(0, [&] { w.DownloadButton_Click(); });
    port.RaiseSendEvent();
    ExpectEnded();
    EXPECT_EQ(port.Sends.size(), 3 + 2 + 2);
}

TEST_F(Download, LostPortEndsTheDownload) {
    Transfer(WriteFile(ProgramBytes(6000)));
    port.Lose();
    EXPECT_FALSE(w.Session.Download.State.DownloadActive);
    EXPECT_FALSE(w.Session.Download.State.DownloadFile.isOpen());
    EXPECT_EQ(port.SendThreshold, 0);
    EXPECT_TRUE(w.CommPortSelect->isEnabled());
    EXPECT_TRUE(w.DownloadStatus->isHidden());
    port.RaiseSendEvent();
    EXPECT_EQ(port.Sends.size(), 3 + 2);
}

TEST_F(Download, ClosingTheWindowInsideTheTransferLeavesNothingRunning) {
    const QString log = LoggedUpToReady(WriteFile(ProgramBytes(6000)));
    QTimer::singleShot(0, [&] { w.close(); });
    port.ReceiveLater("Boot Loader Stopped\r\n");
    EXPECT_TRUE(w.Closed());
    EXPECT_TRUE(w.Session.Download.State.DownloadFile.fileName().isEmpty());  // never opened
    EXPECT_FALSE(w.Session.DownloadTimer.isActive());
    EXPECT_FALSE(w.Session.TransmitTimer.isActive());
    EXPECT_FALSE(w.TerminalSyncTimer.isActive());
    EXPECT_EQ(w.TerminalText->toPlainText(), QStringLiteral("Boot Loader Ready\r\nBoot Loader Stopped\r\n"));
    EXPECT_EQ(port.Sends.size(), 1 + 3);  // "debug 80", then the download's
    // The piece being handled when the window closed is shown, so it is in the log too; nothing is reported.
    EXPECT_TRUE(t.Prompts.Warnings.isEmpty());
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("Boot Loader Ready\r\nBoot Loader Stopped\r\n"));
}

TEST_F(Download, TextArrivingWhileTheTransferStartsIsLoggedInTheOrderShown) {
    const QString log = LoggedUpToReady(WriteFile(ProgramBytes(6000)));
    QTimer::singleShot(0, [&] { port.ReceiveLater("board text\r\n"); });
    port.ReceiveLater("Boot Loader Stopped\r\n");
    const QByteArray shown = "Boot Loader Ready\r\nBoot Loader Stopped\r\nboard text\r\n";
    EXPECT_EQ(w.TerminalContent().toLatin1(), shown);
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), shown);
}

TEST_F(Download, RestartedWhileItsTransferStartsWaitsForItsOwnHandshake) {
    const QByteArray file = ProgramBytes(3000);
    const QString path = WriteFile(file);
    Start(path);
    port.ReceiveLater("Boot Loader Ready\r\n");
    QTimer::singleShot(0, [&] {
        w.DownloadButton_Click();  // abort, and start again at once
        Start(path);
    });
    port.ReceiveLater("Boot Loader Stopped\r\n");
    EXPECT_EQ(w.Session.Download.State.DownloadPhase, kAwaitingReady);
    EXPECT_EQ(w.DownloadStatus->text(), QStringLiteral("Rebooting Velmora ..."));
    EXPECT_FALSE(w.Session.Download.State.DownloadFile.isOpen());
    EXPECT_EQ(port.Sends,
              QList<QByteArray>({kReset[0], kReset[1], kStop, kReset[0], kReset[1], kReset[0], kReset[1]}));
    port.ReceiveLater("Boot Loader Ready\r\n");
    port.ReceiveLater("Boot Loader Stopped\r\n");
    port.RaiseSendEvent();
    EXPECT_EQ(port.Sends.mid(8), Blocks(file));  // the file once, from its first block
}

TEST_F(Download, ClosingTheWindowUnderAWarningRestartsNoTimer) {
    Start(WriteFile(ProgramBytes(6000)));
    w.Session.Download.DownloadTimer_Timer();
    t.Prompts.WhileWarningShown = [&] { w.close(); };
    w.Session.Download.DownloadTimer_Timer();
    EXPECT_FALSE(w.Session.Download.State.DownloadActive);
    EXPECT_FALSE(w.Session.DownloadTimer.isActive());
    EXPECT_FALSE(w.Session.TransmitTimer.isActive());
    EXPECT_EQ(port.Sends.size(), 4);
}

}  // namespace
