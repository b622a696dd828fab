#include "session/Session.h"
#include "status/ReadingRules.h"

namespace {

const QString kVersionMarker = QStringLiteral("    Version:  ");
constexpr int kVersionTextPosition = 15;

}  // namespace

// The version text is routed by the words it carries and shown exactly as received.
bool Session::ParseVersionReply(const QString& line) {
    if (!HoldsMarker(line, kVersionMarker)) {
        return true;
    }
    const QString version = FieldFrom(line, kVersionTextPosition);
    if (version.isEmpty()) {
        return true;
    }
    BoardField field = BoardField::kFirmwareVersion;
    if (HoldsMarker(version, QStringLiteral("Boot"))) {
        field = BoardField::kBootLoaderVersion;
    } else if (HoldsMarker(version, QStringLiteral("CPE")) || HoldsMarker(version, QStringLiteral("Line"))) {
        field = BoardField::kApplicationVersion;
    }
    WriteBoardField(field, version);
    return true;
}
