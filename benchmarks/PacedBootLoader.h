#pragma once

#include <QByteArray>

#include <atomic>
#include <chrono>

inline constexpr double kLineRate = 5760.0;  // bytes/s at 57600 8N1

// An Intel-hex file of about `bytes` bytes: 16-byte data records, then the end-of-file record.
QByteArray IntelHexFile(int bytes);

// The boot loader's side of a pseudo-terminal at exactly the line rate: answers the handshake, then reads no
// faster than a UART would deliver and notes every stretch in which the line could have carried a byte but
// none was waiting.
struct PacedBootLoader {
    using Clock = std::chrono::steady_clock;

    explicit PacedBootLoader(int fd) : Fd(fd) {}
    int Fd;
    qsizetype Expected = 0;
    bool AwaitReset =
        false;  // after the file, also wait for the final reset request (ResetAfterLineS, ResetAfterReadS)
    std::atomic<bool> Done{false};
    qsizetype Received = 0;
    Clock::time_point First;
    Clock::time_point Last;
    double LongestGapMs = 0;
    // From the last byte of the file to the final reset request, -1 if none came: counted from when the line
    // could have delivered it (the first byte's arrival plus the bytes at the line rate), and from when this
    // reader, which a loaded machine may hold back, actually took it.
    double ResetAfterLineS = -1;
    double ResetAfterReadS = -1;

    void Run();
    // Bytes received per second between the first and the last, as a share of the line rate.
    double LineUse() const;

private:
    void WaitFor(const QByteArray& text, QByteArray& seen) const;
    void Answer(const char* text) const;
    void ReceivePaced();
    void AwaitFinalReset();
};
