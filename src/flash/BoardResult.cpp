#include "flash/BoardResult.h"

#include <algorithm>

QString ResultName(BoardResult result) {
    switch (result) {
        case BoardResult::Flashed:
            return QStringLiteral("flashed");
        case BoardResult::FileRefused:
            return QStringLiteral("file-refused");
        case BoardResult::PortNotOpened:
            return QStringLiteral("port-not-opened");
        case BoardResult::NotDetected:
            return QStringLiteral("boot-loader-not-detected");
        case BoardResult::Unresponsive:
            return QStringLiteral("boot-loader-unresponsive");
        case BoardResult::PortLost:
            return QStringLiteral("port-lost");
        case BoardResult::NoBanner:
            return QStringLiteral("no-application-banner");
        case BoardResult::Interrupted:
            return QStringLiteral("interrupted");
    }
    return {};
}

int ExitStatus(const QList<BoardResult>& results, bool interrupted) {
    if (interrupted) {
        return static_cast<int>(BoardResult::Interrupted);
    }
    if (results.isEmpty()) {
        return kUsageError;
    }
    const BoardResult first = results.constFirst();
    const bool alike = std::all_of(results.cbegin(), results.cend(), [first](BoardResult r) { return r == first; });
    return alike ? static_cast<int>(first) : kMixedResults;
}
