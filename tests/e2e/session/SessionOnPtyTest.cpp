// A board session with no window at all: the simulator on a pty, the real serial adapter, and a front end
// that only listens. This program links no widget library.
#include "Pty.h"
#include "SimBoard.h"
#include "link/QtSerialPort.h"
#include "session/Session.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr int kDetectTimeoutMs = 15000;
constexpr int kPollTimeoutMs = 30000;
constexpr int kReopenTimeoutMs = 5000;
constexpr int kFastTickMs = 25;  // a status-poll cycle in 2.5 s instead of 10 s

// An operator who types nothing, selects nothing and never looks at the console.
struct NoOperator : SessionInputs {
    QString CommandLine() const override { return {}; }
    int GenericSettingPosition() const override { return -1; }
    int V35SettingPosition() const override { return -1; }
    bool ConsoleInView() const override { return false; }
    bool ChoosingAnotherPort() const override { return false; }
};

// A front end that keeps what it hears.
struct Listener : SessionSink {
    void FieldWritten(BoardField /*field*/) override {}
    void ProgramEntered(std::int32_t program) override { Programs << program; }
    void TextReceived(const QString& piece) override { Received += piece.toLatin1(); }
    void PortLost(const QString& /*notice*/, bool awaited) override {
        Losses << awaited;
        if (OnLoss) {
            OnLoss();
        }
    }
    void PortBack(const QString& /*device*/, const QString& /*notice*/) override { ++Backs; }
    void LogFailed(const QString& message) override { ADD_FAILURE() << message.toStdString(); }
    void DownloadStarting() override {}
    void DownloadStatusChanged(DownloadStep /*step*/, const QString& /*text*/) override {}
    void DownloadProgressChanged(double /*value*/) override {}
    void DownloadWarning(const QString& /*text*/) override {}
    void DownloadEnded(DownloadEnd /*how*/) override {}

    QList<std::int32_t> Programs;
    QByteArray Received;
    QList<bool> Losses;
    int Backs = 0;
    std::function<void()> OnLoss;
};

// The session's port is a link of the test's own to the simulator's terminal, as a by-id link is to an
// adapter: it goes when the board goes and is made anew for the board that comes back.
class SessionOnPty : public testing::Test {
  protected:
    SessionOnPty() {
        Sink.OnLoss = [this] { QFile::remove(LinkPath()); };
    }

    void Attach(const QStringList& boardOptions) {
        ASSERT_TRUE(Sim.Start(boardOptions)) << Sim.ErrorOutput().toStdString();
        ASSERT_TRUE(PointLinkAt(Sim.DevicePath()));
        ASSERT_EQ(Port.OpenDevice(LinkPath()).Status, OpenStatus::Opened);
        Board.PortOpened(QStringLiteral("board"));
        for (int cpe = 0; cpe < kCpeCount; ++cpe) {
            Board.ResetCpeStatus(cpe);
        }
        Board.EnterProgram(kNoProgram);
        Board.TransmitTimer.setInterval(kFastTickMs);
        Board.Start();
        ASSERT_EQ(Board.StartLogging(LogPath()), std::nullopt);
    }

    bool PointLinkAt(const QString& device) const {
        QFile::remove(LinkPath());
        return QFile::link(device, LinkPath());
    }
    QString LinkPath() const { return links_.filePath(QStringLiteral("board")); }
    QString LogPath() const { return links_.filePath(QStringLiteral("board.log")); }
    QByteArray Logged() const {
        QFile log(LogPath());
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    }
    const BoardStatus& Status() const { return Board.State.Board; }
    bool Detected(std::int32_t program) {
        return WaitFor([&] { return Board.State.ActiveProgram == program; }, kDetectTimeoutMs);
    }

    QTemporaryDir links_;
    SimBoard Sim;
    QtSerialPort Port;
    NoOperator Operator;
    Listener Sink;
    Session Board{Port, Operator, Sink};  // declared last: closed before the port and the board go
};

struct Application {
    const char* Option;
    std::int32_t Program;
    friend void PrintTo(const Application& row, std::ostream* out) { *out << row.Option; }
};

class SessionPoll : public SessionOnPty, public testing::WithParamInterface<Application> {};

// One poll cycle fills every fact the window shows, the coloured ones with their level, and the log holds
// exactly the bytes received.
TEST_P(SessionPoll, DetectsTheProgramAndFillsTheBoardStatusAndLogsByteExact) {
    ASSERT_NO_FATAL_FAILURE(Attach({"--app", GetParam().Option, "--boot-delay", "100"}));
    ASSERT_TRUE(Detected(GetParam().Program)) << Sim.ErrorOutput().toStdString();
    const auto known = [this](BoardField field) {
        const QString text = Status().Text(field);
        return !text.isEmpty() && !text.contains(u'?');
    };
    const QList<BoardField> filled = {BoardField::kApplicationVersion, BoardField::kFirmwareVersion,
                                      BoardField::kFrequency,          BoardField::kCdma,
                                      BoardField::kTimeSlot,           BoardField::kTemperature,
                                      BoardField::kSfdSetting,         BoardField::kGenericSetting,
                                      BoardField::kV35Setting};
    const auto unknown = [&] {
        QStringList texts;
        for (const BoardField field : filled) {
            texts << QStringLiteral("%1='%2'").arg(static_cast<int>(field)).arg(Status().Text(field));
        }
        return texts.join(u' ').toStdString();
    };
    ASSERT_TRUE(WaitFor([&] { return std::all_of(filled.begin(), filled.end(), known); }, kPollTimeoutMs))
        << unknown();
    EXPECT_TRUE(Status().GenericPosition.has_value());
    EXPECT_GE(Status().V35Position, 0);
    for (const BoardField coloured :
         {BoardField::kOpState, BoardField::kRssi, BoardField::kSfdLosses, BoardField::kTemperature}) {
        EXPECT_TRUE(Status().Level(coloured).has_value()) << static_cast<int>(coloured);
    }
    EXPECT_EQ(Sink.Programs.first(), kNoProgram);
    EXPECT_EQ(Sink.Programs.last(), GetParam().Program);

    Board.Close();
    EXPECT_FALSE(Sink.Received.isEmpty());
    EXPECT_EQ(Logged(), Sink.Received);
}

INSTANTIATE_TEST_SUITE_P(Rows, SessionPoll,
                         testing::Values(Application{"linecard", kLineCardApp}, Application{"cpe", kCpeApp}),
                         [](const testing::TestParamInfo<Application>& row) {
                             return std::string(row.param.Option);
                         });

TEST_F(SessionOnPty, ReopensTheSameDeviceAfterALossAndTheLogGoesOnByteExact) {
    ASSERT_NO_FATAL_FAILURE(Attach({"--app", "cpe", "--boot-delay", "100"}));
    ASSERT_TRUE(Detected(kCpeApp));
    ASSERT_TRUE(Sim.Stop());
    ASSERT_TRUE(WaitFor([&] { return !Sink.Losses.isEmpty(); }, kReopenTimeoutMs));
    EXPECT_EQ(Sink.Losses, QList<bool>{true});
    EXPECT_EQ(Board.State.ActiveProgram, kNoProgram);
    EXPECT_TRUE(Board.ReopenTimer.isActive());

    SimBoard back;
    ASSERT_TRUE(back.Start({"--app", "linecard", "--boot-delay", "100"}));
    ASSERT_TRUE(PointLinkAt(back.DevicePath()));
    ASSERT_TRUE(WaitFor([&] { return Port.IsOpen(); }, kReopenTimeoutMs));
    EXPECT_EQ(Sink.Backs, 1);
    ASSERT_TRUE(Detected(kLineCardApp)) << back.ErrorOutput().toStdString();

    Board.Close();
    EXPECT_EQ(Logged(), Sink.Received);
    EXPECT_EQ(Board.State.PortLosses.size(), 1);
}

}  // namespace
