#include "replies/CpeStatus.h"

#include "session/Session.h"
#include "status/ReadingRules.h"

namespace {

constexpr int kEventCpePosition = 12;
constexpr int kEventCpeWidth = 2;
constexpr quint8 kOffHookCode = 0;
constexpr quint8 kOnHookCode = 1;
constexpr quint8 kRingOffCode = 0;
constexpr quint8 kRingOnCode = 1;

}  // namespace

QString OpStateName(quint8 code) {
    switch (code) {
        case kRangingCode:
            return QStringLiteral("Ranging");
        case kLockedCode:
            return QStringLiteral("Locked");
        default:
            return QStringLiteral("Acquisition");
    }
}

// The board reports 0 for a handset lifted.
QString HookStateName(quint8 code) {
    return code == kOffHookCode ? QStringLiteral("OFF HOOK") : QStringLiteral("ON HOOK");
}

QString RingStateName(quint8 code) {
    return code == kRingOnCode ? QStringLiteral("RING ON") : QStringLiteral("RING OFF");
}

std::optional<quint8> StateCode(const QString& codes, int position) {
    return ToByte(ReadDecimal(Field(codes, position, kStateCodeWidth)));
}

std::optional<int> EventCpeNumber(const QString& line) {
    const std::int64_t cpe = ReadHex(Field(line, kEventCpePosition, kEventCpeWidth));
    if (cpe < 0 || cpe >= kCpeCount) {
        return std::nullopt;
    }
    return static_cast<int>(cpe);
}

std::optional<QString> FieldAfterMarker(const QString& line, const QString& marker, int width) {
    const qsizetype at = line.indexOf(marker, 0, Qt::CaseSensitive);
    if (at < 0) {
        return std::nullopt;
    }
    return line.mid(at + marker.size(), width);
}

bool Session::ResetCpeStatus(int cpe) {
    if (cpe < 0 || cpe >= kCpeCount) {
        return false;
    }
    CpeStatusRecord& record = State.Board.Cpes[cpe];
    record.Rssi = QStringLiteral("0");
    record.SfdLosses.clear();
    record.OpState = OpStateName(kAcquisitionCode);
    for (LineStatus& line : record.Lines) {
        line.Hook = HookStateName(kOnHookCode);
        line.Ring = RingStateName(kRingOffCode);
    }
    return true;
}

void Session::ShowCpeStatus() {
    const CpeStatusRecord& record = SelectedCpeStatus();
    WriteBoardField(BoardField::kRssi, record.Rssi);
    WriteBoardField(BoardField::kSfdLosses, record.SfdLosses);
    WriteBoardField(BoardField::kOpState, record.OpState);
    for (int line = 0; line < kLinesPerCpe; ++line) {
        WriteBoardField(BoardStatus::HookField(line), record.Lines[line].Hook);
        WriteBoardField(BoardStatus::RingField(line), record.Lines[line].Ring);
    }
}

// Also runs when a front end selects a CPE from code: selecting the one already shown must not redraw.
void Session::SelectCpe(int position) {
    if (position < 0 || position >= kCpeCount || position == State.SelectedCpe) {
        return;
    }
    State.SelectedCpe = static_cast<std::uint8_t>(position);
    ShowCpeStatus();
}

void Session::WriteBoardField(BoardField field, const QString& text) {
    State.Board.SetText(field, text);
    sink_.FieldWritten(field);
}
