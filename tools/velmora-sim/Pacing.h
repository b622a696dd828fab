// Line timing: a serial line carries a fixed number of bytes per second in each direction, and
// a board's output reaches the port in pieces of whatever size the moment gives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string_view>

namespace velmora_sim {

class TokenBucket {
  public:
    // 0 bytes per second: unlimited. `burst` is how much may go at once after a pause, like the
    // few bytes a UART's FIFO holds.
    TokenBucket(int bytesPerSecond, double burst);

    size_t Available(int64_t nowUs);
    void Take(size_t bytes);

    // Microseconds from `nowUs` until `bytes` may go (0 when they may go now).
    int64_t WaitUs(size_t bytes, int64_t nowUs);

  private:
    void Refill(int64_t nowUs);

    int bytesPerSecond_;
    double burst_;
    double tokens_;
    int64_t lastUs_ = 0;
};

// Chooses the size of the next write so that the tool sees every kind of piece: one whole line,
// several lines at once, or a line cut in two.
class ChunkPlanner {
  public:
    explicit ChunkPlanner(uint32_t seed) : rng_(seed) {}

    // A length from 1 to pending.size(); `pending` must not be empty.
    size_t NextChunk(std::string_view pending);

  private:
    std::mt19937 rng_;
};

}  // namespace velmora_sim
