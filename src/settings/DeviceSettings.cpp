#include "app/GuiMain.h"
#include "status/ReadingRules.h"
#include "status/SettingPositions.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace {

const QString kSfdMarker = QStringLiteral("0000: ");
const QString kGenericMarker = QStringLiteral("0004: ");
const QString kV35Marker = QStringLiteral("0005: ");
constexpr int kValuePosition = 7;
constexpr std::int64_t kSfdMaximum = 255;
constexpr int kBackspace = 8;
constexpr int kDiscardedKey = 0;

}  // namespace

// A read-back is the device's value: nothing is waiting to be written.
bool GuiMain::ParseEepromReply(const QString& line) {
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

bool GuiMain::SfdText_KeyPress(int& keyAscii) {
    if ((keyAscii >= '0' && keyAscii <= '9') || keyAscii == kBackspace) {
        return true;
    }
    keyAscii = kDiscardedKey;
    return false;
}

void GuiMain::SfdText_Change() {
    SfdButton->setEnabled(!SfdText->text().isEmpty());
}

// The field has no length limit and may still show a negative read-back: the value written is always a byte.
void GuiMain::SfdButton_Click() {
    State.SfdValue =
        static_cast<std::int32_t>(std::clamp<std::int64_t>(ReadDecimal(SfdText->text()), 0, kSfdMaximum));
    State.SfdUpdatePending = true;
}

// A list cleared to no entry leaves nothing to write.
void GuiMain::GenericSelect_Click() {
    if (GenericSelect->currentIndex() >= 0) {
        GenericButton->setEnabled(true);
    }
}

void GuiMain::GenericButton_Click() {
    State.GenericUpdatePending = true;
}

void GuiMain::V35Select_Click() {
    if (V35Select->currentIndex() >= 0) {
        V35Button->setEnabled(true);
    }
}

void GuiMain::V35Button_Click() {
    State.V35UpdatePending = true;
}
