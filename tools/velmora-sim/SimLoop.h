// Moves bytes between the pty and the board at line rate, and keeps the board's clock.
#pragma once

#include <cstdint>
#include <functional>

#include "Board.h"
#include "Pty.h"

namespace velmora_sim {

struct LinkOptions {
    int bytesPerSecond = 5760;  // 57600 bit/s, 8N1; 0: unpaced
    uint32_t seed = 1;
    int64_t durationMs = 0;     // 0: until stopped
    int64_t closeAfterMs = -1;  // the close-after fault; -1: off
    // A USB serial adapter between the line and the pty: what the line carries is held and handed on as one
    // piece per tick of this many ms (0: no adapter, output goes to the pty in seeded pieces).
    int64_t adapterLatencyMs = 0;
};

enum class LoopEnd { kStopRequested, kDurationOver, kClosedByFault };

// Runs until `stopRequested` returns true, the duration is over or the close-after fault hangs up
// the line. Throws std::system_error when the pty fails.
LoopEnd RunSimLoop(Pty& pty, Board& board, const LinkOptions& options,
                   const std::function<bool()>& stopRequested);

}  // namespace velmora_sim
