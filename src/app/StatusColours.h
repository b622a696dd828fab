#pragma once

#include "status/StatusLevels.h"

#include <cstdint>

class QLineEdit;

// Colours as the board's tools write them: &H00BBGGRR, red in the lowest byte.
using BgrColour = std::uint32_t;
inline constexpr BgrColour kRed = 0x000000FF;
inline constexpr BgrColour kYellow = 0x0000FFFF;
inline constexpr BgrColour kGreen = 0x0000FF00;

// The background a status field gets for its level: red bad, yellow marginal, green good.
BgrColour LevelColour(StatusLevel level);

// Sets the field's background (its base colour).
void SetBackground(QLineEdit& field, BgrColour colour);
