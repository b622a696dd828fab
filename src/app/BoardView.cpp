#include "app/GuiMain.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <array>

namespace {

// The field that shows each text fact, in the order of BoardField; the settings are shown by their own rules.
constexpr std::array<QLineEdit * GuiMain::*, static_cast<int>(BoardField::kSfdSetting) + 1> kTextFields = {
    &GuiMain::BootLoaderText, &GuiMain::ApplicationText, &GuiMain::FirmwareText, &GuiMain::FrequencyText,
    &GuiMain::CdmaText,       &GuiMain::TimeSlotText,    &GuiMain::OpStateText,  &GuiMain::RssiText,
    &GuiMain::SfdLossText,    &GuiMain::Line1Hook,       &GuiMain::Line1Ring,    &GuiMain::Line2Hook,
    &GuiMain::Line2Ring,      &GuiMain::TemperatureText, &GuiMain::SfdText,
};

}  // namespace

// A setting read back shows the device's value with its update button disabled: nothing is waiting to be
// written. Selecting an entry runs the list's own handler first.
void GuiMain::FieldWritten(BoardField field) {
    const BoardStatus& board = Session.State.Board;
    switch (field) {
        case BoardField::kGenericSetting:
            if (board.GenericPosition) {
                GenericSelect->setCurrentIndex(*board.GenericPosition);
            }
            GenericButton->setEnabled(false);
            return;
        case BoardField::kV35Setting:
            V35Select->setCurrentIndex(board.V35Position);
            V35Button->setEnabled(false);
            return;
        default:
            (this->*kTextFields[static_cast<int>(field)])->setText(board.Text(field));
            if (field == BoardField::kSfdSetting) {
                SfdButton->setEnabled(false);
            }
            return;
    }
}

void GuiMain::ProgramEntered(std::int32_t program) {
    ApplyLayout(program);
}

void GuiMain::CpeSelect_Click() {
    Session.SelectCpe(CpeSelect->currentIndex());
}
