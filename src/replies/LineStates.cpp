#include "replies/CpeStatus.h"
#include "session/Session.h"
#include "status/ReadingRules.h"

#include <array>

namespace {

constexpr int kCodesPosition = 13;
constexpr int kCpeChannelPosition = 9;
constexpr int kChannelWidth = 2;
const QString kChannelMarker = QStringLiteral("Channel ");

// What tells hook states from ring states; everything else about the two is the same.
struct LineStateKind {
    QString ReportMarker;
    std::array<QString, 2> EventTexts;  // the off text first: a line holding both is an off event
    QString (*Name)(quint8);
    QString LineStatus::*RecordField;
    BoardField (*ShownField)(int line);
};

const LineStateKind kHook = {QStringLiteral("hook_state: "),
                             {QStringLiteral("OFF HOOK"), QStringLiteral("ON HOOK")},
                             HookStateName,
                             &LineStatus::Hook,
                             BoardStatus::HookField};

const LineStateKind kRing = {QStringLiteral("ring_state: "),
                             {QStringLiteral("RING OFF"), QStringLiteral("RING ON")},
                             RingStateName,
                             &LineStatus::Ring,
                             BoardStatus::RingField};

// The event text the line holds, if any.
const QString* EventText(const QString& line, const LineStateKind& kind) {
    for (const QString& text : kind.EventTexts) {
        if (HoldsMarker(line, text)) {
            return &text;
        }
    }
    return nullptr;
}

bool ParseCpeReport(Session& session, const QString& line, const LineStateKind& kind) {
    const QString codes = Field(line, kCodesPosition, kStateCodeWidth * kLinesPerCpe);
    for (int index = 0; index < kLinesPerCpe; ++index) {
        const std::optional<quint8> code = StateCode(codes, kStateCodeWidth * index + 1);
        if (!code) {
            return false;
        }
        session.WriteBoardField(kind.ShownField(index), kind.Name(*code));
    }
    return true;
}

bool ParseCpeLineState(Session& session, const QString& line, const LineStateKind& kind) {
    if (HoldsMarker(line, kind.ReportMarker)) {
        return ParseCpeReport(session, line, kind);
    }
    if (const QString* event = EventText(line, kind)) {
        const std::int64_t channel = ReadHex(Field(line, kCpeChannelPosition, kChannelWidth));
        if (channel >= 0 && channel < kLinesPerCpe) {
            session.WriteBoardField(kind.ShownField(static_cast<int>(channel)), *event);
        }
    }
    return true;
}

void ShowSelectedLineStates(Session& session, const LineStateKind& kind) {
    const CpeStatusRecord& record = session.SelectedCpeStatus();
    for (int index = 0; index < kLinesPerCpe; ++index) {
        session.WriteBoardField(kind.ShownField(index), record.Lines[index].*kind.RecordField);
    }
}

// Only CPEs in "Locked" take the report; codes stored before a code that does not fit a byte stay.
bool ParseLineCardReport(Session& session, const QString& line, const LineStateKind& kind) {
    const QString codes = Field(line, kCodesPosition, kStateCodeWidth * kLinesPerCpe * kCpeCount);
    const QString locked = OpStateName(kLockedCode);
    for (int cpe = 0; cpe < kCpeCount; ++cpe) {
        CpeStatusRecord& record = session.State.Board.Cpes[cpe];
        if (record.OpState != locked) {
            continue;
        }
        for (int index = 0; index < kLinesPerCpe; ++index) {
            const std::optional<quint8> code =
                StateCode(codes, kStateCodeWidth * (kLinesPerCpe * cpe + index) + 1);
            if (!code) {
                return false;
            }
            record.Lines[index].*kind.RecordField = kind.Name(*code);
        }
    }
    ShowSelectedLineStates(session, kind);
    return true;
}

// Events update any CPE, whatever its state.
bool ApplyLineCardEvent(Session& session, const QString& line, const LineStateKind& kind,
                        const QString& event) {
    const std::optional<int> cpe = EventCpeNumber(line);
    const std::optional<QString> channelField = FieldAfterMarker(line, kChannelMarker, kChannelWidth);
    if (!cpe || !channelField) {
        return false;
    }
    const std::int64_t channel = ReadHex(*channelField);
    if (channel < 0 || channel >= kLinesPerCpe) {
        return false;
    }
    session.State.Board.Cpes[*cpe].Lines[channel].*kind.RecordField = event;
    ShowSelectedLineStates(session, kind);
    return true;
}

bool ParseLineCardLineState(Session& session, const QString& line, const LineStateKind& kind) {
    if (HoldsMarker(line, kind.ReportMarker)) {
        return ParseLineCardReport(session, line, kind);
    }
    if (const QString* event = EventText(line, kind)) {
        return ApplyLineCardEvent(session, line, kind, *event);
    }
    return true;
}

bool ParseLineState(Session& session, const QString& line, const LineStateKind& kind) {
    switch (session.State.ActiveProgram) {
        case kCpeApp:
            return ParseCpeLineState(session, line, kind);
        case kLineCardApp:
            return ParseLineCardLineState(session, line, kind);
        default:
            return true;
    }
}

}  // namespace

bool Session::ParseHookState(const QString& line) {
    return ParseLineState(*this, line, kHook);
}

bool Session::ParseRingState(const QString& line) {
    return ParseLineState(*this, line, kRing);
}
