#include "Bench.h"
#include "FakePrompts.h"
#include "Pty.h"
#include "app/GuiMain.h"
#include "link/QtSerialPort.h"

#include <QComboBox>
#include <QTemporaryDir>

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFileBytes = 100 * 1000;
constexpr double kLineRate = 5760.0;

// An Intel-hex file of about `bytes` bytes: 16-byte data records, then the end-of-file record.
QByteArray IntelHexFile(int bytes) {
    QByteArray file;
    for (int address = 0; file.size() < bytes - 13; address += 16) {
        QByteArray record;
        record.append(char(0x10)).append(char((address >> 8) & 0xFF)).append(char(address & 0xFF)).append(char(0));
        for (int index = 0; index < 16; ++index) {
            record.append(static_cast<char>((address + index * 7) & 0xFF));
        }
        int sum = 0;
        for (const char byte : record) {
            sum += static_cast<unsigned char>(byte);
        }
        record.append(static_cast<char>(-sum & 0xFF));
        file += ":" + record.toHex().toUpper() + "\r\n";
    }
    return file + ":00000001FF\r\n";
}

// The boot loader's side at exactly the line rate: reads no faster than a UART would deliver and notes every
// stretch in which the line could have carried a byte but none was waiting.
struct PacedBootLoader {
    explicit PacedBootLoader(int fd) : Fd(fd) {}
    int Fd;
    qsizetype Expected = 0;
    std::atomic<bool> Done{false};
    qsizetype Received = 0;
    Clock::time_point First;
    Clock::time_point Last;
    double LongestGapMs = 0;

    void WaitFor(const QByteArray& text, QByteArray& seen) {
        char chunk[256];
        while (!seen.contains(text)) {
            pollfd waiting{Fd, POLLIN, 0};
            if (::poll(&waiting, 1, 20) > 0) {
                const ssize_t count = ::read(Fd, chunk, sizeof chunk);
                seen.append(chunk, static_cast<qsizetype>(std::max<ssize_t>(count, 0)));
            }
        }
    }
    void Answer(const char* text) { (void)!::write(Fd, text, std::strlen(text)); }

    void Run() {
        QByteArray seen;
        WaitFor("reset\r\n", seen);
        Answer("Boot Loader Ready\r\n");
        WaitFor("stop\r\n", seen);
        Answer("Boot Loader Stopped\r\n");
        ReceivePaced();
        Done = true;
    }

    void ReceivePaced() {
        double budget = 0;
        Clock::time_point tick = Clock::now();
        std::optional<Clock::time_point> gapStart;
        char chunk[64];
        while (Received < Expected) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            const Clock::time_point now = Clock::now();
            budget = std::min(budget + kLineRate * std::chrono::duration<double>(now - tick).count(), 64.0);
            tick = now;
            if (budget < 1) {
                continue;
            }
            const ssize_t count = ::read(Fd, chunk, static_cast<size_t>(budget));
            if (count <= 0) {
                gapStart = Received > 0 && !gapStart ? std::optional(now) : gapStart;
                continue;
            }
            if (gapStart) {
                LongestGapMs = std::max(LongestGapMs, std::chrono::duration<double, std::milli>(now - *gapStart).count());
                gapStart.reset();
            }
            First = Received == 0 ? now : First;
            Received += count;
            budget -= static_cast<double>(count);
            Last = now;
        }
    }
};

}  // namespace

QList<Figure> DownloadFigures() {
    Pty pty;
    qputenv("VELMORA_COM1", pty.SlavePath().toLocal8Bit());
    QTemporaryDir dir;
    QFile program(dir.filePath(QStringLiteral("bench.hex")));
    program.open(QIODevice::WriteOnly);
    const qint64 size = program.write(IntelHexFile(kFileBytes));
    program.close();

    QtSerialPort port;
    FakePrompts prompts;
    GuiMain window(port, prompts);
    window.Form_Load();
    window.CommPortSelect->setCurrentIndex(1);
    PacedBootLoader board(pty.MasterFd());
    board.Expected = (size + 999) / 1000 * 1000;
    std::thread boardThread(&PacedBootLoader::Run, &board);
    prompts.FileAnswers.push_back(program.fileName());
    window.DownloadButton_Click();
    const bool finished = WaitFor([&] { return board.Done.load(); }, 120000);
    if (!finished) {
        pty.CloseMaster();  // lets the board thread run out
    }
    boardThread.join();
    window.DownloadButton_Click();  // abort the flashing wait; the figures are in
    qunsetenv("VELMORA_COM1");

    const double seconds = std::chrono::duration<double>(board.Last - board.First).count();
    const double lineUse = finished && seconds > 0 ? static_cast<double>(board.Received) / seconds / kLineRate : 0;
    return {
        {QStringLiteral("download line use (100 KB at 57600 8N1)"), QStringLiteral("%1").arg(lineUse, 0, 'f', 3),
         QStringLiteral(">= 0.99"), lineUse >= 0.99},
        {QStringLiteral("download longest gap in the stream"), QStringLiteral("%1 ms").arg(board.LongestGapMs, 0, 'f', 1),
         QStringLiteral("<= 50 ms"), finished && board.LongestGapMs <= 50},
    };
}
