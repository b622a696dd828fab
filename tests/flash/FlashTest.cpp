#include "QtPrinters.h"
#include "flash/BoardResult.h"
#include "flash/FlashOptions.h"
#include "flash/FlashOutput.h"
#include "flash/ProgramCheck.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <thread>

namespace {

struct ArgumentsCase {
    QStringList Arguments;
    int Status;
    QString Text;  // the start of what is printed; empty when the run goes ahead
    FlashOptions Options;
};

void PrintTo(const ArgumentsCase& c, std::ostream* os) {
    *os << c.Arguments.join(u' ').toStdString();
}

class FlashArguments : public ::testing::TestWithParam<ArgumentsCase> {};

TEST_P(FlashArguments, AreReadOrRefusedAsAUsageError) {
    const ArgumentsCase& c = GetParam();
    const QTemporaryDir dir;
    const QString com1 = dir.filePath(QStringLiteral("tty"));
    QFile(com1).open(QIODevice::WriteOnly);
    const QByteArray previous = qgetenv("VELMORA_COM1");
    const auto restore = qScopeGuard([&] { qputenv("VELMORA_COM1", previous); });
    qputenv("VELMORA_COM1", com1.toLocal8Bit());
    QStringList arguments{QStringLiteral("velmora-flash")};
    for (const QString& argument : c.Arguments) {
        arguments << QString(argument).replace(QStringLiteral("$COM1"), com1);
    }

    const ParsedArguments parsed = ParseArguments(arguments);
    EXPECT_EQ(parsed.Status, c.Status);
    EXPECT_TRUE(parsed.Text.startsWith(c.Text)) << parsed.Text.toStdString();
    ASSERT_EQ(parsed.Options.has_value(), c.Text.isEmpty());
    if (parsed.Options) {
        EXPECT_EQ(parsed.Options->ProgramPath, c.Options.ProgramPath);
        EXPECT_EQ(parsed.Options->Ports, c.Options.Ports);
        EXPECT_EQ(parsed.Options->Json, c.Options.Json);
        EXPECT_EQ(parsed.Options->HexCheck, c.Options.HexCheck);
        EXPECT_EQ(parsed.Options->VerifyTimeoutMs, c.Options.VerifyTimeoutMs);
        EXPECT_EQ(parsed.Options->Retries, c.Options.Retries);
        EXPECT_EQ(parsed.Options->Quiet, c.Options.Quiet);
    }
}

const QString kP = QStringLiteral("p.hex");
const QString kA = QStringLiteral("/dev/ttyUSB0");
const QString kB = QStringLiteral("COM2");

INSTANTIATE_TEST_SUITE_P(
    Rows, FlashArguments,
    ::testing::Values(
        ArgumentsCase{{kP, kA}, 0, {}, {kP, {kA}, false, true, 20000}},
        ArgumentsCase{{QStringLiteral("--json"), QStringLiteral("--no-hex-check"),
                       QStringLiteral("--verify-timeout"), QStringLiteral("2.5"), kP, kA, kB},
                      0,
                      {},
                      {kP, {kA, kB}, true, false, 2500}},
        ArgumentsCase{{QStringLiteral("--no-verify"), kP, kA}, 0, {}, {kP, {kA}, false, true, 0}},
        ArgumentsCase{{QStringLiteral("--retries"), QStringLiteral("3"), QStringLiteral("--quiet"), kP, kA},
                      0,
                      {},
                      {kP, {kA}, false, true, 20000, 3, true}},
        ArgumentsCase{{QStringLiteral("--retries"), QStringLiteral("-1"), kP, kA},
                      2,
                      QStringLiteral("velmora-flash: --retries takes a whole number from 0 to 100."),
                      {}},
        ArgumentsCase{
            {QStringLiteral("--verify-timeout"), QStringLiteral("5"), QStringLiteral("--no-verify"), kP, kA},
            2,
            QStringLiteral("velmora-flash: --verify-timeout and --no-verify exclude each other."),
            {}},
        ArgumentsCase{{QStringLiteral("--json"), QStringLiteral("--quiet"), kP, kA},
                      2,
                      QStringLiteral("velmora-flash: --quiet and --json exclude each other."),
                      {}},
        ArgumentsCase{{QStringLiteral("--version")}, 0, QStringLiteral("velmora-flash 1.08\n"), {}},
        ArgumentsCase{{QStringLiteral("--help")}, 0, QStringLiteral("Usage: "), {}},
        ArgumentsCase{{kP},
                      2,
                      QStringLiteral("velmora-flash: A program file and at least one port are needed.\n"
                                     "Try 'velmora-flash --help'.\n"),
                      {}},
        ArgumentsCase{{kP, kA, kB, kA}, 2, QStringLiteral("velmora-flash: /dev/ttyUSB0 is given twice."), {}},
        ArgumentsCase{{kP, QStringLiteral("$COM1"), QStringLiteral("COM1")},
                      2,
                      QStringLiteral("velmora-flash: COM1 is given twice."),
                      {}},
        ArgumentsCase{{QStringLiteral("--verify-timeout"), QStringLiteral("0"), kP, kA},
                      2,
                      QStringLiteral("velmora-flash: --verify-timeout takes seconds above 0, at most 3600."),
                      {}},
        ArgumentsCase{{QStringLiteral("--verify-timeout"), QStringLiteral("nan"), kP, kA},
                      2,
                      QStringLiteral("velmora-flash: --verify-timeout takes seconds"),
                      {}},
        ArgumentsCase{{QStringLiteral("--fast"), kP, kA},
                      2,
                      QStringLiteral("velmora-flash: Unknown option 'fast'."),
                      {}}));

struct HexCase {
    QByteArray Text;
    QString Error;
};

void PrintTo(const HexCase& c, std::ostream* os) {
    for (const char byte : c.Text.left(32)) {
        *os << (byte == '\r' ? "\\r" : byte == '\n' ? "\\n" : byte == '\0' ? "\\0" : std::string(1, byte));
    }
}

class IntelHex : public ::testing::TestWithParam<HexCase> {};

TEST_P(IntelHex, RecordsAreCheckedLineByLine) {
    QByteArray text = GetParam().Text;
    QBuffer buffer(&text);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    EXPECT_EQ(IntelHexError(buffer), GetParam().Error);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, IntelHex,
    ::testing::Values(
        HexCase{":020000040001F9\r\n:0100000041BE\r\n:00000001FF\r\n", {}},
        HexCase{":0100000041BE\n:00000001FF", {}},  // LF only, last line without one
        HexCase{":00000001FF\r\n\n\n\n\r\n", {}},   // blank lines and line feeds after the end
        HexCase{":0100000041BE\r\n", QStringLiteral("there is no end-of-file record")},
        HexCase{":0100000041BF\r\n:00000001FF\r\n", QStringLiteral("line 1 has a wrong checksum")},
        HexCase{"\n0100000041BE\r\n", QStringLiteral("line 2 does not start with ':'")},
        HexCase{QByteArray("\0\n", 2), QStringLiteral("line 1 does not start with ':'")},
        HexCase{":0100000041B\n", QStringLiteral("line 1 is not made of pairs of hexadecimal digits")},
        HexCase{":01000000G1BE\n", QStringLiteral("line 1 is not made of pairs of hexadecimal digits")},
        HexCase{":0200000041BD\n", QStringLiteral("line 1 does not match its byte count")},
        HexCase{":000000FF\n", QStringLiteral("line 1 does not match its byte count")},
        HexCase{":00000006FA\n", QStringLiteral("line 1 has the unknown record type 6")},
        HexCase{":00000001FF\n:0100000041BE\n", QStringLiteral("line 2 follows the end-of-file record")},
        HexCase{":" + QByteArray(600, 'A') + "\n", QStringLiteral("line 1 is too long for a record")},
        HexCase{QByteArray(100000, ':'), QStringLiteral("line 1 is too long for a record")}));

TEST(ProgramFile, IsRefusedBeforeAnythingIsSent) {
    const QTemporaryDir dir;
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return file.fileName();
    };
    const QByteArray good = ":0100000041BE\r\n:00000001FF\r\n";
    const CheckedProgram checked = CheckProgramFile(write(QStringLiteral("good.hex"), good), true);
    EXPECT_EQ(checked.Error, QString());
    EXPECT_EQ(checked.Bytes, good);
    EXPECT_EQ(checked.Sha256, QCryptographicHash::hash(good, QCryptographicHash::Sha256).toHex());

    // A pipe (a shell's <(...)) has no size: it is read to its end.
    const QString fifo = dir.filePath(QStringLiteral("pipe.hex"));
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    std::thread writer([&] { write(QStringLiteral("pipe.hex"), good); });
    const CheckedProgram piped = CheckProgramFile(fifo, true);
    writer.join();
    EXPECT_EQ(piped.Error, QString());
    EXPECT_EQ(piped.Bytes, good);
    EXPECT_EQ(CheckProgramFile(QStringLiteral("/dev/null"), false).Error,
              QStringLiteral("null is empty: there is nothing to download."));

    const QString missing = dir.filePath(QStringLiteral("gone.hex"));
    EXPECT_EQ(CheckProgramFile(missing, false).Error,
              missing + QStringLiteral(": No such file or directory"));
    EXPECT_EQ(CheckProgramFile(write(QStringLiteral("empty.hex"), {}), false).Error,
              QStringLiteral("empty.hex is empty: there is nothing to download."));
    EXPECT_EQ(CheckProgramFile(write(QStringLiteral("bin.hex"),
                                     "\x7f"
                                     "ELF"),
                               true)
                  .Error,
              QStringLiteral("bin.hex is not an Intel-hex file: line 1 does not start with ':'."));
    EXPECT_EQ(CheckProgramFile(dir.filePath(QStringLiteral("bin.hex")), false).Error, QString());
}

struct ExitCase {
    QList<BoardResult> Results;
    bool Interrupted;
    int Status;
};

void PrintTo(const ExitCase& c, std::ostream* os) {
    *os << "status " << c.Status;
}

class FlashExit : public ::testing::TestWithParam<ExitCase> {};

TEST_P(FlashExit, StatusSaysHowTheBoardsEnded) {
    EXPECT_EQ(ExitStatus(GetParam().Results, GetParam().Interrupted), GetParam().Status);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FlashExit,
    ::testing::Values(ExitCase{{BoardResult::Flashed, BoardResult::Flashed, BoardResult::Flashed}, false, 0},
                      ExitCase{
                          {BoardResult::Flashed, BoardResult::NotDetected, BoardResult::Flashed}, false, 1},
                      ExitCase{{BoardResult::PortNotOpened, BoardResult::NotDetected}, false, 1},
                      ExitCase{{BoardResult::NotDetected}, false, 5},
                      ExitCase{{BoardResult::NoBanner, BoardResult::NoBanner}, false, 8},
                      ExitCase{{BoardResult::Flashed, BoardResult::Interrupted}, true, 130}));

}  // namespace

namespace {

const QString kById = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
const QString kPts = QStringLiteral("/dev/pts/7");

struct OutputCase {
    OutputMode Mode;
    int Columns;
    QString Expected;  // everything written after the boards' first reports
};

void PrintTo(const OutputCase& c, std::ostream* os) {
    *os << static_cast<int>(c.Mode) << " " << c.Columns;
}

class FlashLines : public ::testing::TestWithParam<OutputCase> {};

// One board half sent, the other failed: the failure shows at once, and the live lines fit the terminal.
TEST_P(FlashLines, ShowEachResultAtOnceAndFitTheTerminal) {
    const OutputCase& c = GetParam();
    QByteArray written;
    FlashOutput output(c.Mode, {QStringLiteral("app.hex"), QStringLiteral("ab12"), {kById, kPts}, c.Columns},
                       [&](const QByteArray& bytes) { written += bytes; });
    qint64 now = 0;
    output.ElapsedMs = [&] { return now; };
    output.Update({.Board = 0, .Phase = QStringLiteral("sending"), .Length = 21000, .FileLength = 20286});
    output.Update({.Board = 1, .Phase = QStringLiteral("rebooting")});
    written.clear();
    now = 2000;
    output.Update({.Board = 0,
                   .Phase = QStringLiteral("sending"),
                   .Sent = 11000,
                   .Length = 21000,
                   .FileLength = 20286});
    output.Update({.Board = 1,
                   .Phase = QStringLiteral("done"),
                   .Seconds = 18.04,
                   .Done = true,
                   .Result = BoardResult::NotDetected,
                   .Message = QStringLiteral("Boot Loader Not Detected"),
                   .Try = 2});
    EXPECT_EQ(QString::fromUtf8(written), c.Expected);
    for (const QString& line : QString::fromUtf8(written).split(u'\n')) {
        const qsizetype drawn = line.lastIndexOf(QStringLiteral("\x1b[2K"));
        EXPECT_LT(line.mid(drawn < 0 ? 0 : drawn + 4).size(), c.Columns > 0 ? c.Columns : 1000);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FlashLines,
    ::testing::Values(
        OutputCase{
            OutputMode::Terminal, 80,
            QStringLiteral(
                "\x1b[2A\r\x1b[2K…_USB_UART_A50285BI-if00-port0 sending   [##########----------]  52%  "
                "0:02 left\n\r\x1b[2K/dev/pts/7                     boot-loader-not-detected\n")},
        OutputCase{OutputMode::Terminal, 120,
                   QStringLiteral("\x1b[2A\r\x1b[2K") + kById +
                       QStringLiteral(" sending   [##########----------]  52%  0:02 left\n\r\x1b[2K") +
                       kPts.leftJustified(kById.size()) + QStringLiteral(" boot-loader-not-detected\n")},
        OutputCase{
            OutputMode::Terminal, 0,
            QStringLiteral("\x1b[2A\r\x1b[2K") + kById +
                QStringLiteral(" sending   [##########----------]  52%  0:02 left  11000/21000 B  5500 B/s\n"
                               "\r\x1b[2K") +
                kPts.leftJustified(kById.size()) + QStringLiteral(" boot-loader-not-detected\n")},
        OutputCase{OutputMode::Plain, 0,
                   kById + QStringLiteral(
                               ": sending 50% (11000 of 21000 bytes)\n/dev/pts/7: boot-loader-not-detected "
                               "(0 bytes of the file and 0 of filler sent in 18.0 s, try 2): Boot Loader "
                               "Not Detected\n")},
        OutputCase{OutputMode::Quiet, 0,
                   QStringLiteral(
                       "/dev/pts/7: boot-loader-not-detected (0 bytes of the file and 0 of filler sent in "
                       "18.0 s, try 2): Boot Loader Not Detected\n")}));

TEST(FlashRefusal, GivesTheReasonOnceAndEveryBoardItsResult) {
    QByteArray written;
    FlashOutput output(OutputMode::Plain, {QStringLiteral("x.hex"), {}, {kPts, QStringLiteral("COM2")}, 0},
                       [&](const QByteArray& bytes) { written += bytes; });
    output.Refuse(QStringLiteral("x.hex is empty: there is nothing to download."));
    EXPECT_EQ(written,
              QByteArray("x.hex is empty: there is nothing to download.\n"
                         "/dev/pts/7: file-refused (0 bytes of the file and 0 of filler sent in 0.0 s)\n"
                         "COM2: file-refused (0 bytes of the file and 0 of filler sent in 0.0 s)\n"
                         "0 of 2 boards flashed.\n"));
}

}  // namespace
