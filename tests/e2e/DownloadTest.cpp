#include "E2eSession.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>

namespace {

using E2eDownload = E2eSession;

constexpr int kBlockSize = 1000;

QByteArray SampleProgram() {
    QFile file(QStringLiteral(VELMORA_SAMPLE_HEX));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// At the line's own rate, so the blocks meet the backpressure of a real port: the board reads no faster than
// 57600 baud would carry.
TEST_F(E2eDownload, SampleFileReachesTheBoardByteForByteAndTheBoardIsDetectedAgain) {
    const QByteArray program = SampleProgram();
    ASSERT_GT(program.size(), 20000);
    ASSERT_NO_FATAL_FAILURE(
        Connect({"--app", "linecard", "--rate", "5760", "--receive-file", Board.FilePath("received.bin"),
                 "--report-file", Board.FilePath("report.txt")}));
    ASSERT_TRUE(WaitForProgram("LINE CARD APP"));

    Prompts.FileAnswers.push_back(QStringLiteral(VELMORA_SAMPLE_HEX));
    Window.DownloadButton->click();
    EXPECT_EQ(Window.DownloadButton->text(), "Abort Download");
    ASSERT_TRUE(WaitForText(Window.DownloadStatus, "Flashing demo.hex ...", kDownloadTimeoutMs));
    ASSERT_TRUE(WaitForProgram("UNKNOWN", kDownloadTimeoutMs));
    EXPECT_TRUE(Window.DownloadStatus->isHidden());
    EXPECT_EQ(Window.DownloadButton->text(), "Program Download");
    ASSERT_TRUE(WaitForProgram("LINE CARD APP"));

    // The last block is filled up to its full size; the board skips whatever follows the end-of-file record.
    const QByteArray received = Board.ReadFile("received.bin");
    const qsizetype padded = (program.size() + kBlockSize - 1) / kBlockSize * kBlockSize;
    EXPECT_EQ(received.size(), padded);
    EXPECT_TRUE(received.startsWith(program));
    EXPECT_FALSE(received.mid(program.size()).contains(':'));
    EXPECT_EQ(
        Board.ReadFile("report.txt"),
        "download bytes=21000 records=454 data-bytes=7200 addresses=0001F800-0002141F checksum-errors=0 "
        "format-errors=0 eof=yes result=ok\n");
    EXPECT_EQ(Prompts.Warnings, QStringList());
}

}  // namespace
