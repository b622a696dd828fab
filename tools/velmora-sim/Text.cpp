#include "Text.h"

#include <charconv>
#include <cstdio>

namespace velmora_sim {

// The buffer holds any unsigned at the widths used (at most 10 digits); a wider request is cut, not overrun.
std::string Hex(unsigned value, int digits) {
    char buffer[16];
    (void)std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
    return buffer;
}

std::string Dec(unsigned value, int digits) {
    char buffer[16];
    (void)std::snprintf(buffer, sizeof buffer, "%0*u", digits, value);
    return buffer;
}

std::optional<unsigned> ParseHex(std::string_view text) {
    unsigned value = 0;
    const char* end = text.data() + text.size();
    auto [next, error] = std::from_chars(text.data(), end, value, 16);
    if (text.empty() || error != std::errc() || next != end) {
        return std::nullopt;
    }
    return value;
}

std::optional<long> ParseDec(std::string_view text) {
    // from_chars rejects a leading '+', which a person typing a command may well use.
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    long value = 0;
    const char* end = text.data() + text.size();
    auto [next, error] = std::from_chars(text.data(), end, value, 10);
    if (text.empty() || error != std::errc() || next != end) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string_view> SplitWords(std::string_view text) {
    std::vector<std::string_view> words;
    size_t pos = 0;
    while (true) {
        pos = text.find_first_not_of(" \t", pos);
        if (pos == std::string_view::npos) {
            return words;
        }
        size_t end = text.find_first_of(" \t", pos);
        words.push_back(text.substr(pos, end == std::string_view::npos ? end : end - pos));
        pos = end;
    }
}

}  // namespace velmora_sim
