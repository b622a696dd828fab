// velmora-flash against three simulated boards at once, one of which never answers its reset.
#include "QtPrinters.h"
#include "SimBoard.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <array>
#include <map>

namespace {

constexpr int kRunTimeoutMs = 60000;  // the silent board gives up after 18 s

QByteArray SampleProgram() {
    QFile file(QStringLiteral(VELMORA_SAMPLE_HEX));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(FlashRun, GoodBoardsGetTheFileWhileASilentOneFails) {
    const QByteArray program = SampleProgram();
    ASSERT_GT(program.size(), 20000);
    std::array<SimBoard, 3> boards;
    const QStringList good{QStringLiteral("--app"), QStringLiteral("linecard"), QStringLiteral("--boot-delay"),
                           QStringLiteral("100"), QStringLiteral("--stop-window"), QStringLiteral("300")};
    for (int index = 0; index < 3; ++index) {
        const QStringList fault = index == 1 ? QStringList{QStringLiteral("--fault"), QStringLiteral("no-reset-answer")}
                                             : QStringList();
        ASSERT_TRUE(boards[index].Start(
            good + fault + QStringList{QStringLiteral("--receive-file"), boards[index].FilePath(QStringLiteral("rx"))}))
            << boards[index].ErrorOutput().toStdString();
    }
    const QString file = boards[0].WriteFile(QStringLiteral("demo.hex"), program);

    QProcess flash;
    flash.start(QStringLiteral(VELMORA_FLASH_PATH),
                {QStringLiteral("--json"), QStringLiteral("--verify-timeout"), QStringLiteral("10"), file,
                 boards[0].DevicePath(), boards[1].DevicePath(), boards[2].DevicePath()});
    ASSERT_TRUE(flash.waitForFinished(kRunTimeoutMs));
    EXPECT_EQ(flash.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(flash.exitCode(), 1);
    EXPECT_EQ(flash.readAllStandardError(), QByteArray());

    std::map<QString, QJsonObject> results;
    const QList<QByteArray> lines = flash.readAllStandardOutput().split('\n');
    ASSERT_EQ(lines.last(), QByteArray());
    for (const QByteArray& line : lines.mid(0, lines.size() - 1)) {
        QJsonParseError error{};
        const QJsonDocument event = QJsonDocument::fromJson(line, &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        ASSERT_TRUE(event.isObject());
        if (event[QStringLiteral("event")] == QStringLiteral("result")) {
            results[event[QStringLiteral("port")].toString()] = event.object();
        }
    }
    ASSERT_EQ(results.size(), 3u);
    const QString sha256 = QCryptographicHash::hash(program, QCryptographicHash::Sha256).toHex();
    const qsizetype padded = (program.size() + 999) / 1000 * 1000;
    for (int index = 0; index < 3; ++index) {
        SCOPED_TRACE(index);
        const QJsonObject& result = results[boards[index].DevicePath()];
        EXPECT_EQ(result[QStringLiteral("file")].toString(), file);
        EXPECT_EQ(result[QStringLiteral("sha256")].toString(), sha256);
        ASSERT_TRUE(boards[index].Stop());
        if (index == 1) {
            EXPECT_EQ(result[QStringLiteral("result")].toString(), QStringLiteral("boot-loader-not-detected"));
            EXPECT_EQ(result[QStringLiteral("status")].toInt(), 5);
            EXPECT_EQ(result[QStringLiteral("message")].toString(), QStringLiteral("Boot Loader Not Detected"));
            EXPECT_EQ(boards[index].ReadFile(QStringLiteral("rx")), QByteArray());
            continue;
        }
        EXPECT_EQ(result[QStringLiteral("result")].toString(), QStringLiteral("flashed"));
        EXPECT_EQ(result[QStringLiteral("banner")].toString(), QStringLiteral("Line Card"));
        EXPECT_EQ(result[QStringLiteral("bytes")].toInt(), padded);
        EXPECT_EQ(boards[index].ReadFile(QStringLiteral("rx")), program + QByteArray(padded - program.size(), '\n'));
    }
}

}  // namespace
