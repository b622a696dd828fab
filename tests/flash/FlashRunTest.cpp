// velmora-flash against simulated boards: three at once, one at the line rate, one that never answers its
// reset; then single boards that are hung up on or retried.
#include "QtPrinters.h"
#include "SimBoard.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <map>

namespace {

constexpr int kRunTimeoutMs = 60000;  // the silent board gives up after 18 s

QByteArray SampleProgram() {
    QFile file(QStringLiteral(VELMORA_SAMPLE_HEX));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Reads the run's output as it comes until it holds the text.
bool WaitForOutput(QProcess& process, QByteArray& output, const QByteArray& text) {
    const QDeadlineTimer deadline(kRunTimeoutMs);
    while (!output.contains(text) && !deadline.hasExpired()) {
        process.waitForReadyRead(100);
        output += process.readAllStandardOutput();
    }
    return output.contains(text);
}

qint64 MsOf(const QJsonObject& event) {
    return QDateTime::fromString(event[QStringLiteral("time")].toString(), Qt::ISODateWithMs)
        .toMSecsSinceEpoch();
}

TEST(FlashRun, GoodBoardsGetTheCheckedBytesWhileASilentOneFails) {
    const QByteArray program = SampleProgram();
    ASSERT_GT(program.size(), 20000);
    std::array<SimBoard, 3> boards;
    const QStringList good{QStringLiteral("--app"),         QStringLiteral("linecard"),
                           QStringLiteral("--boot-delay"),  QStringLiteral("100"),
                           QStringLiteral("--stop-window"), QStringLiteral("300")};
    for (int index = 0; index < 3; ++index) {
        const QStringList fault =
            index == 1 ? QStringList{QStringLiteral("--fault"), QStringLiteral("no-reset-answer")}
                       : QStringList();
        const QStringList rate =
            index == 0 ? QStringList{QStringLiteral("--rate"), QStringLiteral("5760")} : QStringList();
        ASSERT_TRUE(boards[index].Start(
            good + fault + rate +
            QStringList{QStringLiteral("--receive-file"), boards[index].FilePath(QStringLiteral("rx"))}))
            << boards[index].ErrorOutput().toStdString();
    }
    const QString file = boards[0].WriteFile(QStringLiteral("demo.hex"), program);

    QProcess flash;
    flash.start(QStringLiteral(VELMORA_FLASH_PATH),
                {QStringLiteral("--json"), QStringLiteral("--verify-timeout"), QStringLiteral("10"), file,
                 boards[0].DevicePath(), boards[1].DevicePath(), boards[2].DevicePath()});
    // A build that finishes while the boards are being flashed changes nothing they get.
    QByteArray output;
    ASSERT_TRUE(WaitForOutput(flash, output, "\"phase\":\"sending\""));
    boards[0].WriteFile(QStringLiteral("demo.hex"), program.left(1000) + ":00000001FF\r\n");
    ASSERT_TRUE(flash.waitForFinished(kRunTimeoutMs));
    output += flash.readAllStandardOutput();
    EXPECT_EQ(flash.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(flash.exitCode(), 1);
    EXPECT_EQ(flash.readAllStandardError(), QByteArray());

    std::map<QString, std::map<QString, QList<QJsonObject>>> events;  // port, event or phase
    const QList<QByteArray> lines = output.split('\n');
    ASSERT_EQ(lines.last(), QByteArray());
    const QRegularExpression utcMs(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z$"));
    for (const QByteArray& line : lines.mid(0, lines.size() - 1)) {
        QJsonParseError error{};
        const QJsonObject event = QJsonDocument::fromJson(line, &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        EXPECT_TRUE(utcMs.match(event[QStringLiteral("time")].toString()).hasMatch()) << line.toStdString();
        const QString kind = event[QStringLiteral("event")].toString();
        events[event[QStringLiteral("port")].toString()]
              [kind == QStringLiteral("phase") ? event[QStringLiteral("phase")].toString() : kind]
            << event;
    }
    const QJsonObject summary = events[QString()][QStringLiteral("summary")].value(0);
    EXPECT_EQ(summary[QStringLiteral("status")].toInt(), 1);
    EXPECT_EQ(summary[QStringLiteral("results")].toObject(),
              QJsonObject({{QStringLiteral("flashed"), 2}, {QStringLiteral("boot-loader-not-detected"), 1}}));
    const QString sha256 = QCryptographicHash::hash(program, QCryptographicHash::Sha256).toHex();
    const qsizetype padded = (program.size() + 999) / 1000 * 1000;
    for (int index = 0; index < 3; ++index) {
        SCOPED_TRACE(index);
        auto& board = events[boards[index].DevicePath()];
        ASSERT_EQ(board[QStringLiteral("result")].size(), 1);
        const QJsonObject result = board[QStringLiteral("result")].constFirst();
        EXPECT_EQ(result[QStringLiteral("file")].toString(), file);
        EXPECT_EQ(result[QStringLiteral("sha256")].toString(), sha256);
        EXPECT_EQ(result[QStringLiteral("device")].toString(), boards[index].DevicePath());
        ASSERT_TRUE(boards[index].Stop());
        if (index == 1) {
            EXPECT_EQ(result[QStringLiteral("result")].toString(),
                      QStringLiteral("boot-loader-not-detected"));
            EXPECT_EQ(result[QStringLiteral("status")].toInt(), 5);
            EXPECT_EQ(result[QStringLiteral("message")].toString(),
                      QStringLiteral("Boot Loader Not Detected"));
            EXPECT_EQ(boards[index].ReadFile(QStringLiteral("rx")), QByteArray());
            continue;
        }
        EXPECT_EQ(result[QStringLiteral("result")].toString(), QStringLiteral("flashed"));
        EXPECT_EQ(result[QStringLiteral("banner")].toString(), QStringLiteral("Line Card"));
        EXPECT_EQ(result[QStringLiteral("bytes")].toInt(), padded);
        EXPECT_EQ(result[QStringLiteral("file-bytes")].toInt(), program.size());
        EXPECT_EQ(result[QStringLiteral("filler-bytes")].toInt(), padded - program.size());
        EXPECT_EQ(boards[index].ReadFile(QStringLiteral("rx")),
                  program + QByteArray(padded - program.size(), '\n'));
        ASSERT_EQ(board[QStringLiteral("board-text")].size(), 1);
        EXPECT_EQ(board[QStringLiteral("board-text")].constFirst()[QStringLiteral("text")].toString(),
                  QStringLiteral("Programming complete"));
        ASSERT_EQ(board[QStringLiteral("flashing")].size(), 1);
        EXPECT_EQ(board[QStringLiteral("flashing")].constFirst()[QStringLiteral("percent")].toDouble(), 0);
        for (const QJsonObject& progress : board[QStringLiteral("progress")]) {
            if (progress[QStringLiteral("phase")] != QStringLiteral("sending")) {
                continue;  // the flashing wait's percent counts its time
            }
            EXPECT_DOUBLE_EQ(progress[QStringLiteral("percent")].toDouble() *
                                 progress[QStringLiteral("length")].toDouble(),
                             100 * progress[QStringLiteral("bytes")].toDouble());
        }
    }
    // The board at the line rate starts programming only once the line can have carried the whole file.
    auto& paced = events[boards[0].DevicePath()];
    EXPECT_GE(MsOf(paced[QStringLiteral("flashing")].constFirst()) -
                  MsOf(paced[QStringLiteral("sending")].constFirst()),
              padded * 10 * 1000 / 57600 - 1);
}

struct SingleCase {
    const char* Name;
    QStringList SimOptions;
    QStringList FlashOptions;
    bool HangUp;  // SIGHUP once the board is being sent the file
    int Status;
    QStringList Lines;  // in the output, in this order
};

void PrintTo(const SingleCase& c, std::ostream* os) {
    *os << c.Name;
}

class FlashSingle : public ::testing::TestWithParam<SingleCase> {};

// The port is a link in the flasher's current folder, given without a folder.
TEST_P(FlashSingle, EndsAsTheBoardAndTheSignalsDecide) {
    const SingleCase& c = GetParam();
    SimBoard board;
    ASSERT_TRUE(board.Start(c.SimOptions)) << board.ErrorOutput().toStdString();
    const QString file = board.WriteFile(QStringLiteral("demo.hex"), SampleProgram());
    ASSERT_TRUE(QFile::link(board.DevicePath(), board.FilePath(QStringLiteral("board1"))));

    QProcess flash;
    flash.setWorkingDirectory(board.FilePath(QString()));
    flash.start(QStringLiteral(VELMORA_FLASH_PATH),
                c.FlashOptions + QStringList{file, QStringLiteral("board1")});
    QByteArray output;
    if (c.HangUp) {
        ASSERT_TRUE(WaitForOutput(flash, output, "board1: sending 10%"));
        ::kill(static_cast<pid_t>(flash.processId()), SIGHUP);
    }
    ASSERT_TRUE(flash.waitForFinished(kRunTimeoutMs));
    output += flash.readAllStandardOutput();
    EXPECT_EQ(flash.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(flash.exitCode(), c.Status);
    qsizetype at = 0;
    for (const QString& line : c.Lines) {
        at = output.indexOf(line.toUtf8(), at);
        EXPECT_GE(at, 0) << line.toStdString() << "\n" << output.toStdString();
    }
    if (c.HangUp) {  // the board got its reset: it left receive mode and reported what it received
        const QDeadlineTimer deadline(kRunTimeoutMs);
        while (!board.ErrorOutput().contains(QStringLiteral("download bytes=")) && !deadline.hasExpired()) {
            QCoreApplication::processEvents();
            QThread::msleep(50);
        }
        EXPECT_TRUE(board.ErrorOutput().contains(QStringLiteral("download bytes=")));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FlashSingle,
    ::testing::Values(
        SingleCase{"HangUpResetsTheBoard",
                   {QStringLiteral("--rate"), QStringLiteral("5760"), QStringLiteral("--stop-window"),
                    QStringLiteral("300")},
                   {},
                   true,
                   130,
                   {QStringLiteral("board1: sending\n"), QStringLiteral("board1: interrupted ("),
                    QStringLiteral("0 of 1 boards flashed.\n")}},
        SingleCase{
            "RetriesABoardThatDoesNotAnswer",
            {QStringLiteral("--fault"), QStringLiteral("no-stopped")},
            {QStringLiteral("--retries"), QStringLiteral("2"), QStringLiteral("--no-verify")},
            false,
            6,
            {QStringLiteral("board1: retrying after try 1: boot-loader-unresponsive\n"),
             QStringLiteral("board1: retrying after try 2: boot-loader-unresponsive\n"),
             QStringLiteral("board1: boot-loader-unresponsive (0 bytes of the file and 0 of filler sent in"),
             QStringLiteral(", try 3): Boot Loader Unresponsive\n")}}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
