#include "app/GuiMain.h"
#include "status/ReadingRules.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace {

constexpr std::int64_t kSfdMaximum = 255;
constexpr int kBackspace = 8;
constexpr int kDiscardedKey = 0;

}  // namespace

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
    Session.State.SfdValue =
        static_cast<std::int32_t>(std::clamp<std::int64_t>(ReadDecimal(SfdText->text()), 0, kSfdMaximum));
    Session.State.SfdUpdatePending = true;
}

// A list cleared to no entry leaves nothing to write.
void GuiMain::GenericSelect_Click() {
    if (GenericSelect->currentIndex() >= 0) {
        GenericButton->setEnabled(true);
    }
}

void GuiMain::GenericButton_Click() {
    Session.State.GenericUpdatePending = true;
}

void GuiMain::V35Select_Click() {
    if (V35Select->currentIndex() >= 0) {
        V35Button->setEnabled(true);
    }
}

void GuiMain::V35Button_Click() {
    Session.State.V35UpdatePending = true;
}
