#include "app/GuiMain.h"
#include "screen/StatusColours.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <tuple>

// One layout per program the board may run. Each layout is a fixed sequence of steps; setting a text or a
// selection runs that control's own handler at once, so the order of the steps decides the final state (a
// button is disabled only after the handler of its field or list had its say).

namespace {

constexpr std::uint8_t kCpeShownAtStart = 2;

const QString kUnknownVersion = QStringLiteral("???");
const QString kUnknownValue = QStringLiteral("??");

void ShowAll(const QList<QWidget*>& controls, bool shown = true) {
    for (QWidget* control : controls) {
        control->setVisible(shown);
    }
}

void HideAll(const QList<QWidget*>& controls) {
    ShowAll(controls, false);
}

void WriteAndHide(GuiMain& w, BoardField field, QLineEdit* shownBy, const QString& text) {
    w.WriteBoardField(field, text);
    shownBy->hide();
}

QList<QWidget*> VersionsGroup(GuiMain& w) {
    return {w.SoftwareLabel, w.BootLoaderText, w.ApplicationText,
            w.FirmwareLabel, w.FirmwareText,   w.DownloadButton};
}

QList<QWidget*> SwitchSettingsGroup(GuiMain& w) {
    return {w.FrequencyLabel, w.FrequencyText, w.CdmaLabel, w.CdmaText, w.TimeSlotLabel, w.TimeSlotText};
}

QList<QWidget*> PowerGroup(GuiMain& w) {
    return {w.BattVoltLabel, w.BattVoltText, w.TemperatureLabel, w.TemperatureText};
}

QList<QWidget*> OpStatusGroup(GuiMain& w) {
    return {w.OpStateLabel, w.OpStateText, w.RssiLabel, w.RssiText,   w.SfdLossLabel, w.SfdLossText,
            w.Line1Label,   w.Line1Hook,   w.Line1Ring, w.Line2Label, w.Line2Hook,    w.Line2Ring};
}

// --- Steps shared by the layouts without an application

void HideVersionsWithPlaceholders(GuiMain& w) {
    w.SoftwareLabel->hide();
    WriteAndHide(w, BoardField::kBootLoaderVersion, w.BootLoaderText, kUnknownVersion);
    WriteAndHide(w, BoardField::kApplicationVersion, w.ApplicationText, kUnknownVersion);
    w.FirmwareLabel->hide();
    WriteAndHide(w, BoardField::kFirmwareVersion, w.FirmwareText, kUnknownVersion);
    w.DownloadButton->hide();
}

void HideSwitchSettingsWithPlaceholders(GuiMain& w) {
    w.FrequencyLabel->hide();
    WriteAndHide(w, BoardField::kFrequency, w.FrequencyText, kUnknownValue);
    w.CdmaLabel->hide();
    WriteAndHide(w, BoardField::kCdma, w.CdmaText, kUnknownValue);
    w.TimeSlotLabel->hide();
    WriteAndHide(w, BoardField::kTimeSlot, w.TimeSlotText, kUnknownValue);
}

// Without an application there is nothing to write the settings to: pending writes are dropped.
void HideGenericAndV35Settings(GuiMain& w) {
    HideAll({w.GenericLabel, w.GenericSelect, w.GenericButton});
    w.State.GenericUpdatePending = false;
    HideAll({w.V35Label, w.V35Select, w.V35Button});
    w.State.V35UpdatePending = false;
}

void HidePowerWithPlaceholders(GuiMain& w) {
    w.BattVoltLabel->hide();
    w.BattVoltText->setText(kUnknownValue);
    SetBackground(*w.BattVoltText, kRed);
    w.BattVoltText->hide();
    w.TemperatureLabel->hide();
    WriteAndHide(w, BoardField::kTemperature, w.TemperatureText, QString());
}

void ResetAndHideOpState(GuiMain& w) {
    w.OpStateLabel->hide();
    WriteAndHide(w, BoardField::kOpState, w.OpStateText, QStringLiteral("Acquisition"));
}

// Settles the CPE choice without showing a CPE: SelectedCpe already holds the entry when it gets selected.
void SelectStartCpeAndHide(GuiMain& w) {
    w.CpeLabel->hide();
    w.State.SelectedCpe = kCpeShownAtStart;
    w.CpeSelect->setCurrentIndex(kCpeShownAtStart);
    w.CpeSelect->hide();
}

void ResetAndHideLinkStatus(GuiMain& w) {
    w.RssiLabel->hide();
    WriteAndHide(w, BoardField::kRssi, w.RssiText, QStringLiteral("0"));
    w.SfdLossLabel->hide();
    WriteAndHide(w, BoardField::kSfdLosses, w.SfdLossText, QString());
    const std::array<std::tuple<QLabel*, QLineEdit*, QLineEdit*>, kLinesPerCpe> lines = {
        std::tuple{w.Line1Label, w.Line1Hook, w.Line1Ring},
        std::tuple{w.Line2Label, w.Line2Hook, w.Line2Ring}};
    for (int line = 0; line < kLinesPerCpe; ++line) {
        const auto [label, hook, ring] = lines[line];
        label->hide();
        w.WriteBoardField(BoardStatus::HookField(line), QStringLiteral("ON HOOK"));
        w.WriteBoardField(BoardStatus::RingField(line), QStringLiteral("RING OFF"));
        hook->hide();
        ring->hide();
    }
}

void EnableCommandLine(GuiMain& w) {
    w.CommandLineText->setReadOnly(false);
    w.CommandLineButton->setEnabled(true);
}

void ShowProgram(GuiMain& w, const QString& name, BgrColour colour) {
    w.ProgramText->setText(name);
    SetBackground(*w.ProgramText, colour);
}

// --- The layouts

void ApplyNoProgramLayout(GuiMain& w) {
    HideVersionsWithPlaceholders(w);
    HideSwitchSettingsWithPlaceholders(w);
    HideAll({w.SfdLabel, w.SfdText});
    w.SfdButton->setEnabled(false);
    w.SfdButton->hide();
    w.State.SfdUpdatePending = false;
    HideGenericAndV35Settings(w);
    HidePowerWithPlaceholders(w);
    ResetAndHideOpState(w);
    SelectStartCpeAndHide(w);
    ResetAndHideLinkStatus(w);
    // Nothing identified yet to take a command.
    w.CommandLineText->setText(QString());
    w.CommandLineText->setReadOnly(true);
    w.CommandLineButton->setEnabled(false);
    w.State.CommandPending = false;
    ShowProgram(w, QStringLiteral("UNKNOWN"), kRed);
}

void ApplyBootLoaderLayout(GuiMain& w) {
    ShowAll(VersionsGroup(w));
    HideAll(SwitchSettingsGroup(w));
    HideAll({w.SfdLabel, w.SfdText, w.SfdButton});
    w.State.SfdUpdatePending = false;
    HideGenericAndV35Settings(w);
    HideAll(PowerGroup(w));
    ResetAndHideOpState(w);
    HideAll({w.CpeLabel, w.CpeSelect});
    ResetAndHideLinkStatus(w);
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

void RestartPollCycle(FormState& state) {
    state.PollTick = 1;
    state.PollStep = 0;
    state.InitialReadsPending = true;
}

void ResetAllCpes(GuiMain& w) {
    for (int cpe = 0; cpe < kCpeCount; ++cpe) {
        w.ResetCpeStatus(cpe);
    }
    w.ShowCpeStatus();
}

// The settings are shown empty: their values come with the first poll cycle's reads.
void ShowEmptySettings(GuiMain& w, const ApplicationLayout& layout) {
    BoardStatus& board = w.State.Board;
    board.SetText(BoardField::kSfdSetting, QString());
    board.GenericPosition.reset();
    board.V35Position = -1;
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
    RestartPollCycle(w.State);
    if (layout.ServesCpes) {
        ResetAllCpes(w);
    }
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
