#pragma once

#include <cstdint>

// On a Line Card, EEPROM location 4 holds the telephony mode in its two low bits; its upper six bits belong to
// other settings and keep the value last read. The byte with the mode at list position `position`.
std::uint8_t WithTelephonyMode(std::uint8_t locationByte, int position);
