#include "screen/StatusColours.h"

#include "app/GuiMain.h"
#include "replies/ReadingRules.h"

#include <QColor>
#include <QLineEdit>
#include <QPalette>

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

constexpr int kRssiYellowFrom = 6;
constexpr int kRssiGreenFrom = 9;
constexpr int kSfdLossYellowFrom = 4;
constexpr int kSfdLossRedFrom = 11;
constexpr int kTemperatureRedAbove = 60;
constexpr int kTemperatureRedBelow = -30;
constexpr int kTemperatureYellowFrom = 40;
constexpr int kTemperatureYellowUpTo = -20;

}  // namespace

BgrColour OpStateColour(const QString& text) {
    if (text == QStringLiteral("Ranging")) {
        return kYellow;
    }
    if (text == QStringLiteral("Locked")) {
        return kGreen;
    }
    return kRed;
}

BgrColour RssiColour(const QString& text) {
    const auto value = ReadAs<std::uint8_t>(text);
    if (value < kRssiYellowFrom) {
        return kRed;
    }
    return value < kRssiGreenFrom ? kYellow : kGreen;
}

BgrColour SfdLossColour(const QString& text) {
    if (text.isEmpty()) {
        return kRed;
    }
    const auto value = ReadAs<std::int32_t>(text);
    if (value < kSfdLossYellowFrom) {
        return kGreen;
    }
    return value < kSfdLossRedFrom ? kYellow : kRed;
}

BgrColour TemperatureColour(const QString& text) {
    if (text.isEmpty()) {
        return kRed;
    }
    const auto value = ReadAs<std::int16_t>(text);
    if (value > kTemperatureRedAbove || value < kTemperatureRedBelow) {
        return kRed;
    }
    if (value >= kTemperatureYellowFrom || value <= kTemperatureYellowUpTo) {
        return kYellow;
    }
    return kGreen;
}

void SetBackground(QLineEdit& field, BgrColour colour) {
    QPalette palette = field.palette();
    palette.setColor(QPalette::Base,
                     QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                            static_cast<int>((colour >> 16) & 0xFF)));
    field.setPalette(palette);
}

void GuiMain::OpStateText_Change() {
    SetBackground(*OpStateText, OpStateColour(OpStateText->text()));
}

void GuiMain::RssiText_Change() {
    SetBackground(*RssiText, RssiColour(RssiText->text()));
}

void GuiMain::SfdLossText_Change() {
    SetBackground(*SfdLossText, SfdLossColour(SfdLossText->text()));
}

void GuiMain::TemperatureText_Change() {
    SetBackground(*TemperatureText, TemperatureColour(TemperatureText->text()));
}
