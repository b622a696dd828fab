#include "session/Session.h"

// What entering a program resets of what is known of the board. Each field written is told to the front end
// at once and in this order; the front end lays itself out for the program last.

namespace {

constexpr std::uint8_t kCpeShownAtStart = 2;

const QString kUnknownVersion = QStringLiteral("???");
const QString kUnknownValue = QStringLiteral("??");

}  // namespace

void Session::EnterProgram(std::int32_t program) {
    switch (program) {
        case kNoProgram:
            State.ActiveProgram = program;
            ResetBoardForNoProgram();
            break;
        case kBootLoader:
            State.ActiveProgram = program;
            ResetBoardForBootLoader();
            break;
        case kLineCardApp:
        case kCpeApp:
            State.ActiveProgram = program;
            ResetBoardForApplication(program == kLineCardApp);
            break;
        default:
            return;  // no such program: everything stays as it is
    }
    sink_.ProgramEntered(program);
}

// Nothing identified yet: no versions, no settings, no command to send.
void Session::ResetBoardForNoProgram() {
    for (const BoardField field :
         {BoardField::kBootLoaderVersion, BoardField::kApplicationVersion, BoardField::kFirmwareVersion}) {
        WriteBoardField(field, kUnknownVersion);
    }
    for (const BoardField field : {BoardField::kFrequency, BoardField::kCdma, BoardField::kTimeSlot}) {
        WriteBoardField(field, kUnknownValue);
    }
    DropPendingSettings();
    WriteBoardField(BoardField::kTemperature, QString());
    WriteBoardField(BoardField::kOpState, QStringLiteral("Acquisition"));
    State.SelectedCpe = kCpeShownAtStart;
    ResetLinkStatus();
    State.CommandPending = false;
}

void Session::ResetBoardForBootLoader() {
    DropPendingSettings();
    WriteBoardField(BoardField::kOpState, QStringLiteral("Acquisition"));
    ResetLinkStatus();
}

// The poll cycle starts over with its one-time reads; the settings are unknown until those come back.
void Session::ResetBoardForApplication(bool servesCpes) {
    State.PollTick = 1;
    State.PollStep = 0;
    State.InitialReadsPending = true;
    if (servesCpes) {
        for (int cpe = 0; cpe < kCpeCount; ++cpe) {
            ResetCpeStatus(cpe);
        }
        ShowCpeStatus();
    }
    BoardStatus& board = State.Board;
    board.SetText(BoardField::kSfdSetting, QString());
    board.GenericPosition.reset();
    board.V35Position = -1;
}

void Session::ResetLinkStatus() {
    WriteBoardField(BoardField::kRssi, QStringLiteral("0"));
    WriteBoardField(BoardField::kSfdLosses, QString());
    for (int line = 0; line < kLinesPerCpe; ++line) {
        WriteBoardField(BoardStatus::HookField(line), QStringLiteral("ON HOOK"));
        WriteBoardField(BoardStatus::RingField(line), QStringLiteral("RING OFF"));
    }
}

// Without an application there is nothing to write the settings to: pending writes are dropped.
void Session::DropPendingSettings() {
    State.SfdUpdatePending = false;
    State.GenericUpdatePending = false;
    State.V35UpdatePending = false;
}
