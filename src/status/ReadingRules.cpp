#include "status/ReadingRules.h"

#include <limits>

namespace {

constexpr int kTwosComplementDigits = 4;
constexpr std::int64_t kSaturated = std::numeric_limits<std::int64_t>::max();

bool IsSkippedBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; }

int HexDigitValue(QChar c) {
    const char16_t code = c.unicode();
    if (code >= u'0' && code <= u'9') {
        return code - u'0';
    }
    if (code >= u'A' && code <= u'F') {
        return code - u'A' + 10;
    }
    if (code >= u'a' && code <= u'f') {
        return code - u'a' + 10;
    }
    return -1;
}

// value * base + digit, held at the saturation value once it would pass it.
std::int64_t Accumulate(std::int64_t value, int base, int digit) {
    if (value > (kSaturated - digit) / base) {
        return kSaturated;
    }
    return value * base + digit;
}

}  // namespace

bool HoldsMarker(const QString& line, const QString& marker) { return line.contains(marker, Qt::CaseSensitive); }

QString Field(const QString& text, int position, int width) {
    if (position < 1 || width <= 0 || position > text.size()) {
        return {};
    }
    return text.mid(position - 1, width);
}

QString FieldFrom(const QString& text, int position) {
    if (position < 1 || position > text.size()) {
        return {};
    }
    return text.mid(position - 1);
}

std::int64_t ReadDecimal(const QString& field) {
    qsizetype index = 0;
    const auto skipBlanks = [&] {
        while (index < field.size() && IsSkippedBlank(field.at(index))) {
            ++index;
        }
    };
    skipBlanks();
    bool negative = false;
    if (index < field.size() && (field.at(index) == u'-' || field.at(index) == u'+')) {
        negative = field.at(index) == u'-';
        ++index;
    }
    std::int64_t value = 0;
    for (skipBlanks(); index < field.size() && field.at(index).isDigit() && field.at(index).unicode() < 128;
         skipBlanks()) {
        value = Accumulate(value, 10, field.at(index).unicode() - u'0');
        ++index;
    }
    return negative ? -value : value;
}

std::int64_t ReadHex(const QString& field) {
    std::int64_t value = 0;
    int digits = 0;
    for (const QChar c : field) {
        const int digit = HexDigitValue(c);
        if (digit < 0) {
            break;
        }
        value = Accumulate(value, 16, digit);
        ++digits;
    }
    if (digits <= kTwosComplementDigits) {
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    }
    return value;
}

std::optional<std::uint8_t> ToByte(std::int64_t value) {
    if (value < 0 || value > std::numeric_limits<std::uint8_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(value);
}

QString ShowNumber(std::int64_t value) { return QString::number(value); }

QString CommandHex(std::uint32_t value) { return QString::number(value, 16).toUpper(); }
