// Cuts the console input into command lines. A line ends at CR LF, or at a bare CR or LF.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace velmora_sim {

class LineAssembler {
  public:
    // Returns the line that `c` completes; empty lines are dropped.
    std::optional<std::string> Feed(char c) {
        const bool lfAfterCr = lastWasCr_ && c == '\n';
        lastWasCr_ = c == '\r';
        if (c != '\r' && c != '\n') {
            if (line_.size() < kMaxLine) {
                line_.push_back(c);
            }
            return std::nullopt;
        }
        if (lfAfterCr || line_.empty()) {
            return std::nullopt;
        }
        return std::exchange(line_, {});
    }

    // True for the LF of a CR LF whose CR has already ended a line; used when the bytes that follow
    // a line are no longer commands (the program file after "stop").
    bool SwallowLf(char c) {
        const bool swallow = lastWasCr_ && c == '\n';
        lastWasCr_ = false;
        return swallow;
    }

  private:
    static constexpr size_t kMaxLine = 256;  // the board's input buffer; the rest of a longer line is lost

    std::string line_;
    bool lastWasCr_ = false;
};

}  // namespace velmora_sim
