#include "SimLoop.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string>
#include <system_error>

#include "Pacing.h"

namespace velmora_sim {

namespace {

constexpr double kBurstBytes = 64;                 // what a UART FIFO lets through at once
constexpr size_t kReadBatch = 16;                  // wait for this much line time before reading again
constexpr int64_t kMaxSleepUs = 10'000;            // the board's clock resolution
constexpr int64_t kWriteGapUs = 1'500;             // keeps consecutive writes apart as separate pieces
constexpr size_t kMaxPending = size_t{64} * 1024;  // the board's transmit buffer; more output is lost
constexpr size_t kAdapterPiece = 4096;             // the most an adapter hands over in one tick

class SimLoop {
  public:
    SimLoop(Pty& pty, Board& board, const LinkOptions& options)
        : pty_(pty),
          board_(board),
          options_(options),
          readBucket_(options.bytesPerSecond, kBurstBytes),
          writeBucket_(options.bytesPerSecond, kBurstBytes),
          planner_(options.seed),
          start_(std::chrono::steady_clock::now()) {}

    LoopEnd Run(const std::function<bool()>& stopRequested) {
        while (!stopRequested()) {
            const int64_t nowMs = NowUs() / 1000;
            if (options_.durationMs > 0 && nowMs >= options_.durationMs) {
                return LoopEnd::kDurationOver;
            }
            if (options_.closeAfterMs >= 0 && nowMs >= options_.closeAfterMs) {
                pty_.Close();
                return LoopEnd::kClosedByFault;
            }
            board_.Advance(nowMs);
            CollectOutput();
            WaitAndTransfer();
        }
        return LoopEnd::kStopRequested;
    }

  private:
    int64_t NowUs() const {
        return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                     start_)
            .count();
    }

    void CollectOutput() {
        std::string output = board_.TakeOutput();
        if (pending_.size() + output.size() <= kMaxPending) {
            pending_ += output;
        }
    }

    void WaitAndTransfer() {
        const int64_t nowUs = NowUs();
        int64_t sleepUs = kMaxSleepUs;
        pollfd fd{pty_.Master(), 0, 0};
        if (const int64_t wait = readBucket_.WaitUs(kReadBatch, nowUs); wait == 0) {
            fd.events |= POLLIN;
        } else {
            sleepUs = std::min(sleepUs, wait);
        }
        // Paced output goes at its time whether or not the other side has room (see WriteOutput).
        bool writeNow = false;
        bool tickNow = false;
        if (!adapter_.empty()) {
            const int64_t wait = nextTickUs_ - nowUs;
            tickNow = wait <= 0;
            sleepUs = std::min(sleepUs, std::max<int64_t>(wait, 0));
        }
        if (!pending_.empty()) {
            const int64_t wait = std::max(writeBucket_.WaitUs(1, nowUs), nextWriteUs_ - nowUs);
            if (wait > 0) {
                sleepUs = std::min(sleepUs, wait);
            } else if (options_.bytesPerSecond == 0 && options_.adapterLatencyMs == 0) {
                fd.events |= POLLOUT;
            } else {
                writeNow = true;
                sleepUs = 0;
            }
        }
        const int timeoutMs = int((sleepUs + 999) / 1000);
        if (poll(&fd, 1, timeoutMs) < 0 && errno != EINTR) {
            throw std::system_error(errno, std::generic_category(), "poll");
        }
        if (fd.revents & (POLLERR | POLLNVAL)) {
            throw std::system_error(EIO, std::generic_category(), "pty");
        }
        if (fd.revents & POLLIN) {
            ReadInput();
        }
        if (writeNow || (fd.revents & POLLOUT)) {
            WriteOutput();
        }
        if (tickNow) {
            HandOverAdapterPiece();
        }
    }

    void ReadInput() {
        char buffer[4096];
        const int64_t nowUs = NowUs();
        const size_t wanted = std::min(sizeof buffer, readBucket_.Available(nowUs));
        const ssize_t got = read(pty_.Master(), buffer, wanted);
        if (got > 0) {
            readBucket_.Take(size_t(got));
            board_.Receive(std::string_view(buffer, size_t(got)), nowUs / 1000);
        } else if (got < 0 && errno != EAGAIN && errno != EINTR) {
            throw std::system_error(errno, std::generic_category(), "read");
        }
    }

    // A paced line loses what the other side cannot take, as a UART would; unpaced output waits.
    void WriteOutput() {
        const int64_t nowUs = NowUs();
        if (options_.adapterLatencyMs > 0) {
            // The board writes a reply in one go; the line carries it into the adapter as fast as it may.
            const size_t carried = std::min(pending_.size(), writeBucket_.Available(nowUs));
            if (adapter_.empty()) {
                nextTickUs_ = NextTickUs(nowUs);
            }
            adapter_.append(pending_, 0, carried);
            pending_.erase(0, carried);
            writeBucket_.Take(carried);
            nextWriteUs_ = nowUs + kWriteGapUs;
            return;
        }
        const size_t chunk = std::min(planner_.NextChunk(pending_), writeBucket_.Available(nowUs));
        const size_t gone = WriteToPty(pending_, chunk);
        pending_.erase(0, gone);
        writeBucket_.Take(gone);
        nextWriteUs_ = nowUs + kWriteGapUs;
    }

    // The adapter hands what it holds to the pty once per tick of its latency timer, up to one piece.
    void HandOverAdapterPiece() {
        adapter_.erase(0, WriteToPty(adapter_, std::min(adapter_.size(), kAdapterPiece)));
        nextTickUs_ = NextTickUs(NowUs());
    }

    int64_t NextTickUs(int64_t nowUs) const {
        const int64_t tickUs = options_.adapterLatencyMs * 1000;
        return (nowUs / tickUs + 1) * tickUs;
    }

    // Returns how much of the first `size` bytes of `bytes` is gone: written, or lost on a paced line.
    size_t WriteToPty(const std::string& bytes, size_t size) {
        const ssize_t written = write(pty_.Master(), bytes.data(), size);
        if (written < 0 && errno != EAGAIN && errno != EINTR) {
            throw std::system_error(errno, std::generic_category(), "write");
        }
        const bool lost = written < 0 && errno == EAGAIN && options_.bytesPerSecond != 0;
        return written > 0 ? size_t(written) : lost ? size : 0;
    }

    Pty& pty_;
    Board& board_;
    const LinkOptions& options_;
    TokenBucket readBucket_;
    TokenBucket writeBucket_;
    ChunkPlanner planner_;
    std::chrono::steady_clock::time_point start_;
    std::string pending_;
    std::string adapter_;  // carried by the line, not yet handed to the pty
    int64_t nextWriteUs_ = 0;
    int64_t nextTickUs_ = 0;
};

}  // namespace

LoopEnd RunSimLoop(Pty& pty, Board& board, const LinkOptions& options,
                   const std::function<bool()>& stopRequested) {
    return SimLoop(pty, board, options).Run(stopRequested);
}

}  // namespace velmora_sim
