// What the board writes on its console, collected until the line pacing takes it.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace velmora_sim {

class ConsoleOut {
  public:
    // Every line the board prints ends in CR LF.
    void Line(std::string_view text) {
        buffer_.append(text);
        buffer_.append("\r\n");
    }

    // Bytes without a line end (only the garbage fault writes these).
    void Raw(std::string_view bytes) { buffer_.append(bytes); }

    std::string Take() { return std::exchange(buffer_, {}); }

  private:
    std::string buffer_;
};

}  // namespace velmora_sim
