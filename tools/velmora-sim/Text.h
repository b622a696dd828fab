// Small text helpers for the board's console: fixed-width number fields and argument parsing.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora_sim {

// Upper-case hexadecimal, zero-padded to `digits`, as the board prints all of its hex fields.
std::string Hex(unsigned value, int digits);

// Decimal, zero-padded to `digits`.
std::string Dec(unsigned value, int digits);

// A whole word of hexadecimal digits (either case); nothing else is accepted.
std::optional<unsigned> ParseHex(std::string_view text);

// A whole word of decimal digits with an optional leading sign.
std::optional<long> ParseDec(std::string_view text);

// Words separated by blanks or tabs.
std::vector<std::string_view> SplitWords(std::string_view text);

}  // namespace velmora_sim
