#include "replies/CpeStatus.h"
#include "session/Session.h"
#include "status/ReadingRules.h"

namespace {

const QString kTemperatureMarker = QStringLiteral("temperature: ");
constexpr int kTemperaturePosition = 14;
const QString kSfdLossMarker = QStringLiteral("SFD Loss Count: ");
constexpr int kSfdLossPosition = 17;
const QString kSwitchMarker = QStringLiteral("FF12: ");
const QString kRssiMarker = QStringLiteral("FF28: ");
constexpr int kDumpPosition = 7;
constexpr int kWordWidth = 4;
constexpr int kByteWidth = 2;
constexpr int kDumpByteStride = 3;  // two digits and a separator
constexpr int kSwitchFieldCount = 4;

bool ParseLineCardSfdLoss(Session& session, const QString& line) {
    const std::optional<int> cpe = EventCpeNumber(line);
    if (!cpe) {
        return false;
    }
    // The caller found the marker, so the count field exists (it may be short).
    const QString count = *FieldAfterMarker(line, kSfdLossMarker, kWordWidth);
    session.State.Board.Cpes[*cpe].SfdLosses = ShowNumber(ReadHex(count));
    session.WriteBoardField(BoardField::kSfdLosses, session.SelectedCpeStatus().SfdLosses);
    return true;
}

// CPEs still in acquisition report no meaningful strength: their stored value stays.
void ParseLineCardRssi(Session& session, const QString& dump) {
    const QString acquisition = OpStateName(kAcquisitionCode);
    for (int cpe = 0; cpe < kCpeCount; ++cpe) {
        CpeStatusRecord& record = session.State.Board.Cpes[cpe];
        if (record.OpState != acquisition) {
            record.Rssi = ShowNumber(ReadHex(Field(dump, kDumpByteStride * cpe + 1, kByteWidth)));
        }
    }
    session.WriteBoardField(BoardField::kRssi, session.SelectedCpeStatus().Rssi);
}

}  // namespace

bool Session::ParseTemperature(const QString& line) {
    if (HoldsMarker(line, kTemperatureMarker)) {
        WriteBoardField(BoardField::kTemperature,
                        ShowNumber(ReadHex(Field(line, kTemperaturePosition, kWordWidth))));
    }
    return true;
}

bool Session::ParseSfdLossCount(const QString& line) {
    if (!HoldsMarker(line, kSfdLossMarker)) {
        return true;
    }
    switch (State.ActiveProgram) {
        case kCpeApp:
            WriteBoardField(BoardField::kSfdLosses,
                            ShowNumber(ReadHex(Field(line, kSfdLossPosition, kWordWidth))));
            return true;
        case kLineCardApp:
            return ParseLineCardSfdLoss(*this, line);
        default:
            return true;
    }
}

// The first dump byte packs three two-bit switch fields: time slot in its high digit, RF channel and CDMA
// code in its low digit.
bool Session::ParseSwitchSettings(const QString& line) {
    if (!HoldsMarker(line, kSwitchMarker)) {
        return true;
    }
    const QString field = Field(line, kDumpPosition, kByteWidth);
    const std::int64_t high = ReadHex(field.left(1));
    const std::int64_t low = ReadHex(field.right(1));
    WriteBoardField(BoardField::kTimeSlot, ShowNumber(high % kSwitchFieldCount));
    WriteBoardField(BoardField::kFrequency, ShowNumber(low % kSwitchFieldCount));
    WriteBoardField(BoardField::kCdma, ShowNumber(low / kSwitchFieldCount));
    return true;
}

bool Session::ParseSignalStrength(const QString& line) {
    if (!HoldsMarker(line, kRssiMarker)) {
        return true;
    }
    const QString dump = FieldFrom(line, kDumpPosition);
    switch (State.ActiveProgram) {
        case kCpeApp:
            WriteBoardField(BoardField::kRssi, ShowNumber(ReadHex(Field(dump, 1, kByteWidth))));
            break;
        case kLineCardApp:
            ParseLineCardRssi(*this, dump);
            break;
        default:
            break;
    }
    return true;
}
