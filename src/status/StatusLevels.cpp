#include "status/StatusLevels.h"

#include "status/ReadingRules.h"

#include <algorithm>
#include <limits>

namespace {

// The text read as a decimal number of the field's width. A value beyond the width is held at its limit
// rather than wrapped, so a huge or negative reading can never pass for a good one.
template <typename Width>
Width ReadAs(const QString& text) {
    return static_cast<Width>(std::clamp<std::int64_t>(ReadDecimal(text), std::numeric_limits<Width>::min(),
                                                       std::numeric_limits<Width>::max()));
}

constexpr int kRssiMarginalFrom = 6;
constexpr int kRssiGoodFrom = 9;
constexpr int kSfdLossMarginalFrom = 4;
constexpr int kSfdLossBadFrom = 11;
constexpr int kTemperatureBadAbove = 60;
constexpr int kTemperatureBadBelow = -30;
constexpr int kTemperatureMarginalFrom = 40;
constexpr int kTemperatureMarginalUpTo = -20;

}  // namespace

StatusLevel OpStateLevel(const QString& text) {
    if (text == QStringLiteral("Ranging")) {
        return StatusLevel::kMarginal;
    }
    if (text == QStringLiteral("Locked")) {
        return StatusLevel::kGood;
    }
    return StatusLevel::kBad;
}

StatusLevel RssiLevel(const QString& text) {
    const auto value = ReadAs<std::uint8_t>(text);
    if (value < kRssiMarginalFrom) {
        return StatusLevel::kBad;
    }
    return value < kRssiGoodFrom ? StatusLevel::kMarginal : StatusLevel::kGood;
}

StatusLevel SfdLossLevel(const QString& text) {
    if (text.isEmpty()) {
        return StatusLevel::kBad;
    }
    const auto value = ReadAs<std::int32_t>(text);
    if (value < kSfdLossMarginalFrom) {
        return StatusLevel::kGood;
    }
    return value < kSfdLossBadFrom ? StatusLevel::kMarginal : StatusLevel::kBad;
}

StatusLevel TemperatureLevel(const QString& text) {
    if (text.isEmpty()) {
        return StatusLevel::kBad;
    }
    const auto value = ReadAs<std::int16_t>(text);
    if (value > kTemperatureBadAbove || value < kTemperatureBadBelow) {
        return StatusLevel::kBad;
    }
    if (value >= kTemperatureMarginalFrom || value <= kTemperatureMarginalUpTo) {
        return StatusLevel::kMarginal;
    }
    return StatusLevel::kGood;
}
