#pragma once

#include <QString>

#include <array>

// Display texts of one telephone line of a CPE.
struct LineStatus {
    QString Hook;  // "ON HOOK" or "OFF HOOK"
    QString Ring;  // "RING ON" or "RING OFF"
};

// Stored status of one CPE of a Line Card, as the texts the status fields show.
struct CpeStatusRecord {
    QString OpState;  // "Acquisition", "Ranging" or "Locked"
    QString Rssi;
    QString SfdLosses;
    std::array<LineStatus, 2> Lines;  // index 0 = telephone line 1
};

inline constexpr int kCpeCount = 4;

// Texts of the operational state codes, the hook codes and the ring codes the board reports.
QString OpStateName(quint8 code);
QString HookStateName(quint8 code);
QString RingStateName(quint8 code);
