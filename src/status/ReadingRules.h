#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// How the board's reply lines are read. Positions count from 1; a field is cut short where the text ends.

// The marker occurs anywhere in the line, exactly (case and blanks included).
bool HoldsMarker(const QString& line, const QString& marker);

// The `width` characters starting at `position`; empty when the text ends before it.
QString Field(const QString& text, int position, int width);

// The characters from `position` to the end of the text.
QString FieldFrom(const QString& text, int position);

// Blanks, tabs and line feeds are skipped wherever they stand; then an optional sign and the longest run of
// decimal digits. No digits read as 0. Runs too long for 64 bits saturate.
std::int64_t ReadDecimal(const QString& field);

// The run of hexadecimal digits the field begins with, without sign; none reads as 0. Up to four digits are a
// 16-bit two's-complement number (FFFF is -1, FF is 255); a longer run is read as the wider (saturating) value it
// is, so that range checks reject it instead of seeing it wrapped into a small number.
std::int64_t ReadHex(const QString& field);

// The value as a byte, or nothing when it lies outside 0..255 (the line is then abandoned).
std::optional<std::uint8_t> ToByte(std::int64_t value);

// Plain decimal: "-" for negative values, no leading zeros, no grouping.
QString ShowNumber(std::int64_t value);

// Upper-case hexadecimal without leading zeros or prefix, as the board's commands take numbers ("0" for zero).
QString CommandHex(std::uint32_t value);
