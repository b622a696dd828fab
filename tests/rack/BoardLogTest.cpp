#include "rack/BoardLog.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

namespace {

const QDateTime kTime = QDateTime::fromMSecsSinceEpoch(1765350600123).toUTC();

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Files of this process cannot grow past `bytes` while it lives: writes beyond fail as on a full disk.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, saved_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

  private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

TEST(BoardLog, AppendsToWhatIsThereAndTimesEachPiece) {
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("rack01"));
    QFile old(base + QStringLiteral(".log"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("earlier run\n");
    old.close();
    BoardLog log(base);
    ASSERT_FALSE(log.Open());
    EXPECT_FALSE(log.Append(QByteArray("a\0\xff\r\n", 5), kTime));
    EXPECT_FALSE(log.Append("bc", kTime.addMSecs(1)));
    EXPECT_EQ(ReadAll(base + QStringLiteral(".log")), QByteArray("earlier run\na\0\xff\r\nbc", 19));
    EXPECT_EQ(ReadAll(base + QStringLiteral(".times")),
              "2025-12-10T07:10:00.123Z 12 5\n2025-12-10T07:10:00.124Z 17 2\n");
}

// A write that fails is told once, and what it did not write goes first, in order, once the file takes it.
TEST(BoardLog, AFailedWriteIsToldOnceAndRetriedWithoutLoss) {
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("b"));
    BoardLog log(base);
    ASSERT_FALSE(log.Open());
    {
        const FileSizeLimit limit(8);
        EXPECT_TRUE(log.Append("0123456789", kTime));  // 8 bytes go, 2 wait
        EXPECT_FALSE(log.Append("abc", kTime));        // the same failure: not told again
        EXPECT_EQ(log.KeptBytes(), 5);
    }
    EXPECT_FALSE(log.Append("def", kTime.addMSecs(5)));
    EXPECT_EQ(log.KeptBytes(), 0);
    EXPECT_EQ(ReadAll(base + QStringLiteral(".log")), "0123456789abcdef");
    EXPECT_EQ(ReadAll(base + QStringLiteral(".times")),
              "2025-12-10T07:10:00.123Z 0 8\n2025-12-10T07:10:00.123Z 8 2\n2025-12-10T07:10:00.123Z 10 3\n"
              "2025-12-10T07:10:00.128Z 13 3\n");
}

TEST(BoardLog, AReopenAfterARotationStartsNewFilesAtOffsetZero) {
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("b"));
    BoardLog log(base);
    ASSERT_FALSE(log.Open());
    EXPECT_FALSE(log.Append("old", kTime));
    for (const char* suffix : {".log", ".times"}) {
        ASSERT_TRUE(
            QFile::rename(base + QLatin1String(suffix), base + QLatin1String(suffix) + QStringLiteral(".1")));
    }
    EXPECT_FALSE(log.Reopen());
    EXPECT_FALSE(log.Append("new", kTime));
    EXPECT_EQ(ReadAll(base + QStringLiteral(".log.1")), "old");
    EXPECT_EQ(ReadAll(base + QStringLiteral(".log")), "new");
    EXPECT_EQ(ReadAll(base + QStringLiteral(".times")), "2025-12-10T07:10:00.123Z 0 3\n");
}

}  // namespace
