#include "status/SettingPositions.h"

namespace {

// Line Card telephony: the low two bits name the mode, but bytes 0 to 4 show the first mode.
constexpr std::uint8_t kLowestModeByte = 4;
constexpr std::uint8_t kModeBits = 0x03;

}  // namespace

int LineCardModePosition(std::uint8_t locationByte) {
    return locationByte > kLowestModeByte ? locationByte & kModeBits : 0;
}

int CpeRangePosition(std::uint8_t locationByte) {
    return locationByte == 1 ? 1 : 0;
}

int V35Position(std::int64_t value) {
    return value == 1 || value == 2 ? static_cast<int>(value) : 0;
}

std::uint8_t WithTelephonyMode(std::uint8_t locationByte, int position) {
    return static_cast<std::uint8_t>((locationByte & ~kModeBits) | (position & kModeBits));
}
