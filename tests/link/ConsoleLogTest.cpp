#include "TestWindow.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct LogFixture : ::testing::Test {
    TestWindow t;
    QTemporaryDir dir;
    QString path;

    void SetUp() override {
        t.Connected();
        path = dir.filePath(QStringLiteral("console.txt"));
    }
    void Click(const std::optional<QString>& answer) {
        t.Prompts.FileAnswers.push_back(answer);
        t.Window.LoggingButton_Click();
    }
    QByteArray FileBytes() const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }
    QString Caption() const { return t.Window.LoggingButton->text(); }
};

}  // namespace

TEST_F(LogFixture, AppendsReceivedBytesAfterExistingContent) {
    const QByteArray earlier(1000, 'e');
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(earlier);
    }
    Click(path);
    EXPECT_EQ(Caption(), QStringLiteral("Stop Logging"));
    EXPECT_TRUE(t.Window.Session.State.LoggingActive);
    EXPECT_EQ(t.Port.SentTexts(), QStringList({"debug 80\r\n"}));
    EXPECT_EQ(t.Prompts.FileRequests.at(0).Title, QStringLiteral("Select Logging File"));
    EXPECT_EQ(t.Prompts.FileRequests.at(0).Filters, QStringList({"Text File (*.txt)", "All Files (*.*)"}));

    QByteArray all;
    for (int value = 0; value < 256; ++value) {
        all.append(static_cast<char>(value));
    }
    t.Port.ReceiveLater("Boot Loader Ready\r\n");
    t.Port.ReceiveLater(all);
    t.Port.ReceiveLater("lone\rcr and lone\nlf");
    // Every piece is on disk as soon as it is handled.
    EXPECT_EQ(FileBytes(), earlier + "Boot Loader Ready\r\n" + all + "lone\rcr and lone\nlf");

    t.Window.LoggingButton_Click();
    EXPECT_EQ(Caption(), QStringLiteral("Activate Logging"));
    EXPECT_FALSE(t.Window.Session.State.LoggingActive);
    EXPECT_FALSE(t.Window.Session.State.LogFile.isOpen());
    EXPECT_EQ(t.Port.SentTexts(), QStringList({"debug 80\r\n", "debug 0\r\n"}));
    t.Port.ReceiveLater("after");
    EXPECT_EQ(FileBytes().size(), 1000 + 19 + 256 + 19);
}

TEST_F(LogFixture, CancelChangesNothing) {
    Click(std::nullopt);
    EXPECT_EQ(Caption(), QStringLiteral("Activate Logging"));
    EXPECT_FALSE(t.Window.Session.State.LoggingActive);
    EXPECT_FALSE(t.Window.Session.State.LogFile.isOpen());
    EXPECT_TRUE(t.Port.Sends.isEmpty());
    EXPECT_TRUE(t.Prompts.Warnings.isEmpty());
}

TEST_F(LogFixture, StartAndStopWithNoPortOpenCreateTheFileAndSendNothing) {
    t.Window.CommPortSelect->setCurrentIndex(0);
    Click(path);
    EXPECT_EQ(Caption(), QStringLiteral("Stop Logging"));
    EXPECT_TRUE(QFile::exists(path));
    t.Window.LoggingButton_Click();
    EXPECT_EQ(Caption(), QStringLiteral("Activate Logging"));
    EXPECT_TRUE(t.Port.Sends.isEmpty());
}

TEST_F(LogFixture, FileThatCannotBeOpenedWarnsAndLeavesLoggingOff) {
    Click(dir.path());  // a folder is no file
    ASSERT_EQ(t.Prompts.Warnings.size(), 1);
    EXPECT_FALSE(t.Prompts.Warnings.at(0).isEmpty());
    EXPECT_EQ(Caption(), QStringLiteral("Activate Logging"));
    EXPECT_FALSE(t.Window.Session.State.LoggingActive);
    EXPECT_FALSE(t.Window.Session.State.LogFile.isOpen());
    EXPECT_TRUE(t.Port.Sends.isEmpty());
}

TEST_F(LogFixture, FailedWriteStopsLoggingWithOneWarning) {
    if (!QFile::exists(QStringLiteral("/dev/full"))) {
        GTEST_SKIP() << "no /dev/full here";
    }
    Click(QStringLiteral("/dev/full"));
    ASSERT_TRUE(t.Window.Session.State.LoggingActive);
    t.Port.ReceiveLater("this cannot be written\r\n");
    EXPECT_FALSE(t.Window.Session.State.LoggingActive);
    EXPECT_EQ(Caption(), QStringLiteral("Activate Logging"));
    ASSERT_EQ(t.Prompts.Warnings.size(), 1);
    EXPECT_TRUE(
        t.Prompts.Warnings.at(0).startsWith(QStringLiteral("Logging stopped: the log file could not be")));
    t.Port.ReceiveLater("more");
    EXPECT_EQ(t.Prompts.Warnings.size(), 1);
}

TEST_F(LogFixture, DuringADownloadLoggingTogglesWithoutTellingTheBoard) {
    t.Window.Session.Download.State.DownloadActive = true;
    Click(path);
    EXPECT_TRUE(t.Window.Session.State.LoggingActive);
    t.Port.ReceiveLater("Boot Loader Ready\r\n");
    t.Window.LoggingButton_Click();
    EXPECT_FALSE(t.Window.Session.State.LoggingActive);
    EXPECT_FALSE(t.Port.SentBytes().contains("debug"));
    EXPECT_EQ(FileBytes(), QByteArray("Boot Loader Ready\r\n"));
}
