#pragma once

#include <cstdint>

// Where the settings read back from EEPROM stand in their lists, and back.

// Line Card location 4: the telephony mode list position.
int LineCardModePosition(std::uint8_t locationByte);

// CPE location 4: the range list position.
int CpeRangePosition(std::uint8_t locationByte);

// Location 5: the V35 list position.
int V35Position(std::int64_t value);

// On a Line Card, EEPROM location 4 holds the telephony mode in its two low bits; its upper six bits belong
// to other settings and keep the value last read. The byte with the mode at list position `position`.
std::uint8_t WithTelephonyMode(std::uint8_t locationByte, int position);
