#pragma once

#include <QString>

// How a coloured status field judges its text.
enum class StatusLevel { kBad, kMarginal, kGood };

StatusLevel OpStateLevel(const QString& text);
StatusLevel RssiLevel(const QString& text);
StatusLevel SfdLossLevel(const QString& text);
StatusLevel TemperatureLevel(const QString& text);
