#include "app/GuiMain.h"
#include "app/StatusColours.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>


// How the window lays itself out for each program the board may run, once the session has reset what it knew
// of the board. Each layout is a fixed sequence of steps; setting a text or a selection runs that control's own
// handler at once, so the order of the steps decides the final state (a button is disabled only after the
// handler of its field or list had its say).

namespace {

const QString kUnknownValue = QStringLiteral("??");

void ShowAll(const QList<QWidget*>& controls, bool shown = true) {
    for (QWidget* control : controls) {
        control->setVisible(shown);
    }
}

void HideAll(const QList<QWidget*>& controls) {
    ShowAll(controls, false);
}

QList<QWidget*> VersionsGroup(GuiMain& w) {
    return {w.SoftwareLabel, w.BootLoaderText, w.ApplicationText,
            w.FirmwareLabel, w.FirmwareText,   w.DownloadButton};
}

QList<QWidget*> SwitchSettingsGroup(GuiMain& w) {
    return {w.FrequencyLabel, w.FrequencyText, w.CdmaLabel, w.CdmaText, w.TimeSlotLabel, w.TimeSlotText};
}

QList<QWidget*> SettingsListsGroup(GuiMain& w) {
    return {w.GenericLabel, w.GenericSelect, w.GenericButton, w.V35Label, w.V35Select, w.V35Button};
}

QList<QWidget*> PowerGroup(GuiMain& w) {
    return {w.BattVoltLabel, w.BattVoltText, w.TemperatureLabel, w.TemperatureText};
}

QList<QWidget*> OpStatusGroup(GuiMain& w) {
    return {w.OpStateLabel, w.OpStateText, w.RssiLabel, w.RssiText,   w.SfdLossLabel, w.SfdLossText,
            w.Line1Label,   w.Line1Hook,   w.Line1Ring, w.Line2Label, w.Line2Hook,    w.Line2Ring};
}

void HideAndDisable(QPushButton* button) {
    button->setEnabled(false);
    button->hide();
}

void ShowBatteryPlaceholder(GuiMain& w) {
    w.BattVoltText->setText(kUnknownValue);
    SetBackground(*w.BattVoltText, kRed);
}

// The choice the session settled on, without showing a CPE: it already holds that CPE when the list selects it.
void SelectStartCpeAndHide(GuiMain& w) {
    HideAll({w.CpeLabel});
    w.CpeSelect->setCurrentIndex(w.Session.State.SelectedCpe);
    w.CpeSelect->hide();
}

void EnableCommandLine(GuiMain& w, bool enabled = true) {
    w.CommandLineText->setReadOnly(!enabled);
    w.CommandLineButton->setEnabled(enabled);
}

void ShowProgram(GuiMain& w, const QString& name, BgrColour colour) {
    w.ProgramText->setText(name);
    SetBackground(*w.ProgramText, colour);
}

// --- The layouts

void ApplyNoProgramLayout(GuiMain& w) {
    HideAll(VersionsGroup(w) + SwitchSettingsGroup(w) + QList<QWidget*>{w.SfdLabel, w.SfdText});
    HideAndDisable(w.SfdButton);
    HideAll(SettingsListsGroup(w));
    ShowBatteryPlaceholder(w);
    HideAll(PowerGroup(w));
    SelectStartCpeAndHide(w);
    HideAll(OpStatusGroup(w));
    // Nothing identified yet to take a command.
    w.CommandLineText->setText(QString());
    EnableCommandLine(w, false);
    ShowProgram(w, QStringLiteral("UNKNOWN"), kRed);
}

void ApplyBootLoaderLayout(GuiMain& w) {
    ShowAll(VersionsGroup(w));
    HideAll(SwitchSettingsGroup(w) + QList<QWidget*>{w.SfdLabel, w.SfdText, w.SfdButton});
    HideAll(SettingsListsGroup(w) + PowerGroup(w) + OpStatusGroup(w) + QList<QWidget*>{w.CpeLabel, w.CpeSelect});
    EnableCommandLine(w);
    ShowProgram(w, QStringLiteral("BOOT LOADER"), kYellow);
}

// What differs between the Line Card and the CPE application.
struct ApplicationLayout {
    bool ServesCpes;  // a Line Card keeps and shows the status of each of its CPEs
    QString GenericCaption;
    QStringList GenericEntries;  // what location 4 holds, by list position
    QString GenericButtonCaption;
    QString ProgramName;
};

// The settings are shown empty: their values come with the first poll cycle's reads.
void ShowEmptySettings(GuiMain& w, const ApplicationLayout& layout) {
    w.SfdLabel->show();
    w.SfdText->setText(QString());
    w.SfdText->show();
    w.SfdButton->setEnabled(false);
    w.SfdButton->show();

    w.GenericLabel->setText(layout.GenericCaption);
    w.GenericLabel->show();
    w.GenericSelect->clear();
    w.GenericSelect->setCurrentIndex(-1);
    for (int position = 0; position < layout.GenericEntries.size(); ++position) {
        w.GenericSelect->insertItem(position, layout.GenericEntries.at(position));
    }
    w.GenericSelect->setCurrentIndex(-1);  // filling an empty list selects its first entry
    w.GenericSelect->show();
    w.GenericButton->setText(layout.GenericButtonCaption);
    w.GenericButton->setEnabled(false);
    w.GenericButton->show();

    w.V35Label->show();
    w.V35Select->setCurrentIndex(-1);
    w.V35Select->show();
    w.V35Button->setEnabled(false);
    w.V35Button->show();
}

void ApplyApplicationLayout(GuiMain& w, const ApplicationLayout& layout) {
    ShowAll(VersionsGroup(w) + SwitchSettingsGroup(w));
    ShowEmptySettings(w, layout);
    ShowAll(PowerGroup(w) + OpStatusGroup(w));
    ShowAll({w.CpeLabel, w.CpeSelect}, layout.ServesCpes);
    EnableCommandLine(w);
    ShowProgram(w, layout.ProgramName, kGreen);
}

const ApplicationLayout& LineCardLayout() {
    static const ApplicationLayout kLayout{
        true,
        QStringLiteral("Telephony:"),
        {QStringLiteral("T1 & 16 KHz Tone"), QStringLiteral("E1 & 16 KHz Tone"),
         QStringLiteral("T1 & 12 KHz Tone"), QStringLiteral("E1 & 12 KHz Tone")},
        QStringLiteral("Update Telephony"),
        QStringLiteral("LINE CARD APP"),
    };
    return kLayout;
}

const ApplicationLayout& CpeLayout() {
    static const ApplicationLayout kLayout{
        false,
        QStringLiteral("Range:"),
        {QStringLiteral("Less than 25 miles"), QStringLiteral("Greater than 25 miles")},
        QStringLiteral("Update Range"),
        QStringLiteral("CPE APP"),
    };
    return kLayout;
}

}  // namespace

void GuiMain::ApplyLayout(std::int32_t program) {
    switch (program) {
        case kNoProgram:
            ApplyNoProgramLayout(*this);
            return;
        case kBootLoader:
            ApplyBootLoaderLayout(*this);
            return;
        case kLineCardApp:
            ApplyApplicationLayout(*this, LineCardLayout());
            return;
        case kCpeApp:
            ApplyApplicationLayout(*this, CpeLayout());
            return;
        default:
            return;  // no such program: the window stays as it is
    }
}
