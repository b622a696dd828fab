#include "session/Session.h"
#include "status/ReadingRules.h"
#include "status/SettingPositions.h"

namespace {

const QString kSfdMarker = QStringLiteral("0000: ");
const QString kGenericMarker = QStringLiteral("0004: ");
const QString kV35Marker = QStringLiteral("0005: ");
constexpr int kValuePosition = 7;

}  // namespace

// A read-back is the device's value: nothing is waiting to be written.
bool Session::ParseEepromReply(const QString& line) {
    const auto value = [&line] { return ReadHex(FieldFrom(line, kValuePosition)); };
    BoardStatus& board = State.Board;
    if (HoldsMarker(line, kSfdMarker)) {
        WriteBoardField(BoardField::kSfdSetting, ShowNumber(value()));
    } else if (HoldsMarker(line, kGenericMarker)) {
        const std::optional<std::uint8_t> byte = ToByte(value());
        if (!byte) {
            return false;
        }
        State.GenericEepromByte = *byte;
        board.GenericPosition.reset();
        if (State.ActiveProgram == kLineCardApp) {
            board.GenericPosition = LineCardModePosition(*byte);
        } else if (State.ActiveProgram == kCpeApp) {
            board.GenericPosition = CpeRangePosition(*byte);
        }
        WriteBoardField(BoardField::kGenericSetting, ShowNumber(*byte));
    } else if (HoldsMarker(line, kV35Marker)) {
        board.V35Position = V35Position(value());
        WriteBoardField(BoardField::kV35Setting, ShowNumber(value()));
    }
    return true;
}
