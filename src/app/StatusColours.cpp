#include "app/StatusColours.h"

#include "app/GuiMain.h"

#include <QColor>
#include <QLineEdit>
#include <QPalette>

BgrColour LevelColour(StatusLevel level) {
    switch (level) {
        case StatusLevel::kGood:
            return kGreen;
        case StatusLevel::kMarginal:
            return kYellow;
        default:
            return kRed;
    }
}

void SetBackground(QLineEdit& field, BgrColour colour) {
    QPalette palette = field.palette();
    palette.setColor(QPalette::Base,
                     QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                            static_cast<int>((colour >> 16) & 0xFF)));
    field.setPalette(palette);
}

void GuiMain::OpStateText_Change() {
    SetBackground(*OpStateText, LevelColour(OpStateLevel(OpStateText->text())));
}

void GuiMain::RssiText_Change() {
    SetBackground(*RssiText, LevelColour(RssiLevel(RssiText->text())));
}

void GuiMain::SfdLossText_Change() {
    SetBackground(*SfdLossText, LevelColour(SfdLossLevel(SfdLossText->text())));
}

void GuiMain::TemperatureText_Change() {
    SetBackground(*TemperatureText, LevelColour(TemperatureLevel(TemperatureText->text())));
}
