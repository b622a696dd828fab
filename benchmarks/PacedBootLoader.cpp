#include "PacedBootLoader.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <thread>

QByteArray IntelHexFile(int bytes) {
    QByteArray file;
    for (int address = 0; file.size() < bytes - 13; address += 16) {
        QByteArray record;
        record.append(char(0x10))
            .append(char((address >> 8) & 0xFF))
            .append(char(address & 0xFF))
            .append(char(0));
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

void PacedBootLoader::WaitFor(const QByteArray& text, QByteArray& seen) const {
    char chunk[256];
    while (!seen.contains(text)) {
        pollfd waiting{Fd, POLLIN, 0};
        if (::poll(&waiting, 1, 20) > 0) {
            const ssize_t count = ::read(Fd, chunk, sizeof chunk);
            seen.append(chunk, static_cast<qsizetype>(std::max<ssize_t>(count, 0)));
        }
    }
}

void PacedBootLoader::Answer(const char* text) const {
    (void)!::write(Fd, text, std::strlen(text));
}

void PacedBootLoader::Run() {
    QByteArray seen;
    WaitFor("reset\r\n", seen);
    Answer("Boot Loader Ready\r\n");
    WaitFor("stop\r\n", seen);
    Answer("Boot Loader Stopped\r\n");
    ReceivePaced();
    Done = true;
    if (AwaitReset) {
        AwaitFinalReset();
    }
}

// The reset ends the flashing wait; the board must have had every byte for the whole wait by then.
void PacedBootLoader::AwaitFinalReset() {
    constexpr auto kLongestWait = std::chrono::seconds(30);
    QByteArray seen;
    char chunk[256];
    while (!seen.contains("reset\r\n") && Clock::now() - Last < kLongestWait) {
        pollfd waiting{Fd, POLLIN, 0};
        if (::poll(&waiting, 1, 1) > 0) {
            const ssize_t count = ::read(Fd, chunk, sizeof chunk);
            if (count <= 0) {
                return;  // the flasher closed the port
            }
            seen.append(chunk, static_cast<qsizetype>(count));
        }
    }
    if (seen.contains("reset\r\n")) {
        const auto now = Clock::now();
        ResetAfterReadS = std::chrono::duration<double>(now - Last).count();
        ResetAfterLineS = std::chrono::duration<double>(now - First).count() -
                          static_cast<double>(Received - 1) / kLineRate;
    }
}

double PacedBootLoader::LineUse() const {
    const double seconds = std::chrono::duration<double>(Last - First).count();
    return seconds > 0 ? static_cast<double>(Received) / seconds / kLineRate : 0;
}

void PacedBootLoader::ReceivePaced() {
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
            LongestGapMs =
                std::max(LongestGapMs, std::chrono::duration<double, std::milli>(now - *gapStart).count());
            gapStart.reset();
        }
        First = Received == 0 ? now : First;
        Received += count;
        budget -= static_cast<double>(count);
        Last = now;
    }
}
