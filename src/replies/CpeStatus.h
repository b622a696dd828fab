#pragma once

#include "status/BoardStatus.h"

#include <QString>

#include <optional>

// Operational state codes the board reports; any other code means acquisition.
enum OpStateCode : quint8 {
    kAcquisitionCode = 0,
    kRangingCode = 1,
    kLockedCode = 2,
};

// Texts of the operational state codes, the hook codes and the ring codes the board reports.
QString OpStateName(quint8 code);
QString HookStateName(quint8 code);
QString RingStateName(quint8 code);

inline constexpr int kStateCodeWidth = 2;

// A two-digit decimal state code (operational, hook or ring) at `position` of `codes`; nothing when it does
// not fit a byte, which abandons the line.
std::optional<quint8> StateCode(const QString& codes, int position);

// The CPE a Line Card event line is about ("Subscriber " and two hexadecimal digits); nothing when the number
// names no CPE of the card, which abandons the line.
std::optional<int> EventCpeNumber(const QString& line);

// The `width` characters right after the first occurrence of `marker`; nothing when the line lacks the
// marker.
std::optional<QString> FieldAfterMarker(const QString& line, const QString& marker, int width);
