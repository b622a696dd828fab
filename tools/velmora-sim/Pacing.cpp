#include "Pacing.h"

#include <algorithm>
#include <cmath>

namespace velmora_sim {

TokenBucket::TokenBucket(int bytesPerSecond, double burst)
    : bytesPerSecond_(bytesPerSecond), burst_(burst), tokens_(burst) {}

size_t TokenBucket::Available(int64_t nowUs) {
    if (bytesPerSecond_ == 0) {
        return SIZE_MAX;
    }
    Refill(nowUs);
    return size_t(tokens_);
}

void TokenBucket::Take(size_t bytes) {
    if (bytesPerSecond_ != 0) {
        tokens_ -= double(bytes);
    }
}

int64_t TokenBucket::WaitUs(size_t bytes, int64_t nowUs) {
    if (bytesPerSecond_ == 0) {
        return 0;
    }
    Refill(nowUs);
    const double missing = std::min(double(bytes), burst_) - tokens_;
    return missing <= 0 ? 0 : int64_t(std::ceil(missing * 1e6 / bytesPerSecond_));
}

void TokenBucket::Refill(int64_t nowUs) {
    tokens_ = std::min(burst_, tokens_ + double(nowUs - lastUs_) * bytesPerSecond_ / 1e6);
    lastUs_ = nowUs;
}

size_t ChunkPlanner::NextChunk(std::string_view pending) {
    const size_t lineEnd = pending.find('\n');
    const size_t firstLine = lineEnd == std::string_view::npos ? pending.size() : lineEnd + 1;
    switch (std::uniform_int_distribution<int>(0, 2)(rng_)) {
        case 0:
            return firstLine;
        case 1:
            return pending.size();
        default:
            return firstLine < 2 ? firstLine : std::uniform_int_distribution<size_t>(1, firstLine - 1)(rng_);
    }
}

}  // namespace velmora_sim
