#include "replies/CpeStatus.h"
#include "session/Session.h"
#include "status/ReadingRules.h"

#include <array>

namespace {

const QString kOpStatusMarker = QStringLiteral("op_status: ");
constexpr int kCodesPosition = 12;

// What a Line Card event does to the record of its CPE.
enum class CpeEventAction { kRanging, kLocked, kReset };

struct CpeEvent {
    QString Text;
    CpeEventAction Action;
};

// Tested in this order; the first text found decides.
const std::array<CpeEvent, 4> kLineCardEvents = {{
    {QStringLiteral("Starting Ranging"), CpeEventAction::kRanging},
    {QStringLiteral("Communications Lost"), CpeEventAction::kReset},
    {QStringLiteral("Ranging Completed Successfully"), CpeEventAction::kLocked},
    {QStringLiteral("Commanded Reset"), CpeEventAction::kReset},
}};

struct OwnStateEvent {
    QString Text;
    OpStateCode Code;
};

const std::array<OwnStateEvent, 3> kCpeEvents = {{
    {QStringLiteral("Starting Ranging"), kRangingCode},
    {QStringLiteral("Ranging Completed Successfully"), kLockedCode},
    {QStringLiteral("Starting Acquisition"), kAcquisitionCode},
}};

bool ParseCpeOpStatus(Session& session, const QString& line) {
    if (HoldsMarker(line, kOpStatusMarker)) {
        const std::optional<quint8> code = StateCode(line, kCodesPosition);
        if (!code) {
            return false;
        }
        session.WriteBoardField(BoardField::kOpState, OpStateName(*code));
        return true;
    }
    for (const OwnStateEvent& event : kCpeEvents) {
        if (HoldsMarker(line, event.Text)) {
            session.WriteBoardField(BoardField::kOpState, OpStateName(event.Code));
            return true;
        }
    }
    return true;
}

void ShowSelectedOpState(Session& session) {
    session.WriteBoardField(BoardField::kOpState, session.SelectedCpeStatus().OpState);
}

// One code per CPE; records before a code that does not fit a byte keep their new state.
bool ParseLineCardReport(Session& session, const QString& line) {
    const QString codes = Field(line, kCodesPosition, kStateCodeWidth * kCpeCount);
    for (int cpe = 0; cpe < kCpeCount; ++cpe) {
        const std::optional<quint8> code = StateCode(codes, kStateCodeWidth * cpe + 1);
        if (!code) {
            return false;
        }
        session.State.Board.Cpes[cpe].OpState = OpStateName(*code);
    }
    ShowSelectedOpState(session);
    return true;
}

bool ApplyLineCardEvent(Session& session, const QString& line, CpeEventAction action) {
    const std::optional<int> cpe = EventCpeNumber(line);
    if (!cpe) {
        return false;
    }
    if (action == CpeEventAction::kReset) {
        session.ResetCpeStatus(*cpe);
        session.ShowCpeStatus();
        return true;
    }
    const OpStateCode state = action == CpeEventAction::kRanging ? kRangingCode : kLockedCode;
    session.State.Board.Cpes[*cpe].OpState = OpStateName(state);
    ShowSelectedOpState(session);
    return true;
}

bool ParseLineCardOpStatus(Session& session, const QString& line) {
    if (HoldsMarker(line, kOpStatusMarker)) {
        return ParseLineCardReport(session, line);
    }
    for (const CpeEvent& event : kLineCardEvents) {
        if (HoldsMarker(line, event.Text)) {
            return ApplyLineCardEvent(session, line, event.Action);
        }
    }
    return true;
}

}  // namespace

bool Session::ParseOpStatus(const QString& line) {
    switch (State.ActiveProgram) {
        case kCpeApp:
            return ParseCpeOpStatus(*this, line);
        case kLineCardApp:
            return ParseLineCardOpStatus(*this, line);
        default:
            return true;
    }
}
