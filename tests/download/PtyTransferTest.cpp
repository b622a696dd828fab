// A download over a real pseudo-terminal through the production serial port, with a reader on the board's
// side that takes the bytes no faster than a fixed rate, as a UART would.
#include "FakePrompts.h"
#include "Pty.h"
#include "app/GuiMain.h"
#include "link/QtSerialPort.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>

namespace {

constexpr qint64 kBytesPerSecond = 24000;
constexpr int kFileSize = 40000;  // well past what the kernel's pty buffer absorbs (about 20 KB)

// The board's end of a pseudo-terminal. The slave end is what the tool opens.
class PtyBoard {
  public:
    PtyBoard() {
        reader_ = std::thread([this] { ReadSlowly(); });
    }
    ~PtyBoard() {
        stop_ = true;
        if (reader_.joinable()) {
            reader_.join();
        }
    }
    QString SlavePath() const { return pty_.SlavePath(); }
    void Say(const QByteArray& text) { pty_.Write(text); }
    QByteArray Received() const {
        const std::lock_guard lock(mutex_);
        return received_;
    }

  private:
    void ReadSlowly() {
        const auto start = std::chrono::steady_clock::now();
        char buffer[256];
        while (!stop_) {
            const auto elapsed = std::chrono::steady_clock::now() - start;
            const qint64 allowed = kBytesPerSecond *
                                   std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count() /
                                   1000000;
            const qint64 budget = std::min<qint64>(allowed - Received().size(), sizeof buffer);
            pollfd input{pty_.MasterFd(), POLLIN, 0};
            if (budget <= 0 || ::poll(&input, 1, 5) <= 0 || !(input.revents & POLLIN)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            const ssize_t count = ::read(pty_.MasterFd(), buffer, static_cast<size_t>(budget));
            if (count > 0) {
                const std::lock_guard lock(mutex_);
                received_.append(buffer, count);
            }
        }
    }

    Pty pty_;
    std::thread reader_;
    std::atomic<bool> stop_ = false;
    mutable std::mutex mutex_;
    QByteArray received_;
};

constexpr int kWaitMs = 5000;

TEST(DownloadOverPty, SendEventPacesTheBlocks) {
    PtyBoard board;
    const QByteArray previousCom1 = qgetenv("VELMORA_COM1");
    const auto restoreCom1 = qScopeGuard([&] { qputenv("VELMORA_COM1", previousCom1); });
    qputenv("VELMORA_COM1", board.SlavePath().toLocal8Bit());
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("big.hex")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QByteArray program;
    for (int line = 0; program.size() < kFileSize; ++line) {
        program +=
            QByteArray(":10000000").append(QByteArray::number(line).rightJustified(30, '0')) + "FF\r\n";
    }
    program.truncate(kFileSize - 500);  // leaves a half block of filler
    file.write(program);
    file.close();

    QtSerialPort port;
    qint64 mostQueued = 0;
    port.PendingOutput = [&] {
        mostQueued = std::max(mostQueued, port.Port().bytesToWrite());
        return port.Port().bytesToWrite();  // a pty has no UART queue of its own
    };
    FakePrompts prompts;
    prompts.FileAnswers.push_back(file.fileName());
    GuiMain window(port, prompts);
    window.Form_Load();
    window.CommPortSelect->setCurrentIndex(1);
    ASSERT_TRUE(port.IsOpen());

    window.DownloadButton_Click();
    ASSERT_TRUE(WaitFor([&] { return board.Received() == "\r\nreset\r\n"; }, kWaitMs));
    board.Say("Boot Loader Ready\r\n");
    ASSERT_TRUE(WaitFor([&] { return board.Received().endsWith("stop\r\n"); }, kWaitMs));
    board.Say("Boot Loader Stopped\r\n");
    ASSERT_TRUE(WaitFor([&] { return window.Session.Download.State.DownloadSent >= kFileSize; }, kWaitMs));
    const qsizetype readWhenHandedOver = board.Received().size();

    const QByteArray expected = "\r\nreset\r\nstop\r\n" + program + QByteArray(500, '\n');
    ASSERT_TRUE(WaitFor([&] { return board.Received().size() >= expected.size(); }, kWaitMs));
    EXPECT_EQ(board.Received(), expected);
    // The tool's own queue held at most the initial two blocks, and it did fill: the kernel was backed up, so
    // the blocks went out only as the board took them, and the last one only after half the file had been
    // read.
    EXPECT_LE(mostQueued, 2000);
    EXPECT_GE(mostQueued, 1000);
    EXPECT_GT(readWhenHandedOver, kFileSize / 4);
    window.close();
}

}  // namespace
