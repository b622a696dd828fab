#pragma once

#include <QList>
#include <QString>

// How flashing one board ended. The values are the exit statuses of a run whose boards all ended so.
enum class BoardResult {
    Flashed = 0,
    FileRefused = 3,
    PortNotOpened = 4,
    NotDetected = 5,   // "Boot Loader Not Detected"
    Unresponsive = 6,  // "Boot Loader Unresponsive"
    PortLost = 7,
    NoBanner = 8,  // no application banner after the final reset
    Interrupted = 130,
};

inline constexpr int kMixedResults = 1;  // more than one board, not all flashed, not all failed alike
inline constexpr int kUsageError = 2;

// The result's name in result lines and JSON ("flashed", "boot-loader-not-detected", ...).
QString ResultName(BoardResult result);

// The exit status of a run: an interrupt wins; otherwise the boards' common result, or kMixedResults.
int ExitStatus(const QList<BoardResult>& results, bool interrupted);
