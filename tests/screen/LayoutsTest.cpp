#include "TestWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const QColor kQtRed(255, 0, 0);
const QColor kQtYellow(255, 255, 0);
const QColor kQtGreen(0, 255, 0);

QColor Background(const QLineEdit* field) {
    return field->palette().color(QPalette::Base);
}

QStringList Entries(const QComboBox* list) {
    QStringList entries;
    for (int index = 0; index < list->count(); ++index) {
        entries << list->itemText(index);
    }
    return entries;
}

// Everything a layout may touch, as text, so two states compare in one assertion with a readable difference.
QStringList Snapshot(const GuiMain& w) {
    QStringList lines;
    for (const QWidget* control : w.findChildren<QWidget*>()) {
        const QString head = control->objectName() +
                             (control->isHidden() ? QStringLiteral(" hidden") : QString()) +
                             (control->isEnabled() ? QString() : QStringLiteral(" disabled"));
        if (const auto* field = qobject_cast<const QLineEdit*>(control)) {
            lines << head + QStringLiteral(" text=%1 ro=%2 bg=%3")
                                .arg(field->text())
                                .arg(field->isReadOnly())
                                .arg(Background(field).name());
        } else if (const auto* list = qobject_cast<const QComboBox*>(control)) {
            lines
                << head +
                       QStringLiteral(" [%1] at %2").arg(Entries(list).join(u'|')).arg(list->currentIndex());
        } else if (const auto* label = qobject_cast<const QLabel*>(control)) {
            lines << head + QStringLiteral(" ") + label->text();
        } else if (const auto* button = qobject_cast<const QPushButton*>(control)) {
            lines << head + QStringLiteral(" ") + button->text();
        }
    }
    const SessionState& s = w.Session.State;
    lines << QStringLiteral("pending cmd=%1 sfd=%2 generic=%3 v35=%4")
                 .arg(s.CommandPending)
                 .arg(s.SfdUpdatePending)
                 .arg(s.GenericUpdatePending)
                 .arg(s.V35UpdatePending);
    lines << QStringLiteral("cpe=%1 tick=%2 step=%3 initial=%4")
                 .arg(s.SelectedCpe)
                 .arg(s.PollTick)
                 .arg(s.PollStep)
                 .arg(s.InitialReadsPending);
    return lines;
}

void Apply(GuiMain& w, std::int32_t program) {
    w.Session.EnterProgram(program);
}

// Requests, a half-typed command and selections, as an engineer may leave them before the layout changes.
void Disturb(GuiMain& w) {
    w.Session.State.CommandPending = true;
    w.Session.State.SfdUpdatePending = true;
    w.Session.State.GenericUpdatePending = true;
    w.Session.State.V35UpdatePending = true;
    w.Session.State.PollTick = 7;
    w.Session.State.PollStep = 6;
    w.Session.State.InitialReadsPending = false;
    w.CommandLineText->setText(QStringLiteral("half"));
    w.SfdText->setText(QStringLiteral("12"));
    if (w.GenericSelect->count() > 0) {
        w.GenericSelect->setCurrentIndex(w.GenericSelect->count() - 1);
    }
    w.V35Select->setCurrentIndex(1);
    w.SfdButton->setEnabled(true);
    w.GenericButton->setEnabled(true);
    w.V35Button->setEnabled(true);
}

struct Groups {
    QList<QWidget*> Versions, Switches, Eeprom, Power, OpStatus, CpeSelection;
};

Groups GroupsOf(GuiMain& w) {
    return {
        {w.SoftwareLabel, w.BootLoaderText, w.ApplicationText, w.FirmwareLabel, w.FirmwareText,
         w.DownloadButton},
        {w.FrequencyLabel, w.FrequencyText, w.CdmaLabel, w.CdmaText, w.TimeSlotLabel, w.TimeSlotText},
        {w.SfdLabel, w.SfdText, w.SfdButton, w.GenericLabel, w.GenericSelect, w.GenericButton, w.V35Label,
         w.V35Select, w.V35Button},
        {w.BattVoltLabel, w.BattVoltText, w.TemperatureLabel, w.TemperatureText},
        {w.OpStateLabel, w.OpStateText, w.RssiLabel, w.RssiText, w.SfdLossLabel, w.SfdLossText, w.Line1Label,
         w.Line1Hook, w.Line1Ring, w.Line2Label, w.Line2Hook, w.Line2Ring},
        {w.CpeLabel, w.CpeSelect},
    };
}

void ExpectShown(const QList<QWidget*>& group, bool shown, std::int32_t program) {
    for (const QWidget* control : group) {
        EXPECT_EQ(!control->isHidden(), shown)
            << control->objectName().toStdString() << " in layout " << program;
    }
}

void ExpectVisibility(GuiMain& w, std::int32_t program) {
    const bool application = program == kLineCardApp || program == kCpeApp;
    const Groups groups = GroupsOf(w);
    ExpectShown(groups.Versions, program != kNoProgram, program);
    ExpectShown(groups.Switches, application, program);
    ExpectShown(groups.Eeprom, application, program);
    ExpectShown(groups.Power, application, program);
    ExpectShown(groups.OpStatus, application, program);
    ExpectShown(groups.CpeSelection, program == kLineCardApp, program);
    for (const QWidget* never :
         {static_cast<QWidget*>(w.ProgramText), static_cast<QWidget*>(w.CommandLineText),
          static_cast<QWidget*>(w.CommandLineButton)}) {
        EXPECT_FALSE(never->isHidden());
    }
}

void ExpectStatusReset(const GuiMain& w) {
    EXPECT_EQ(w.OpStateText->text(), QStringLiteral("Acquisition"));
    EXPECT_EQ(w.RssiText->text(), QStringLiteral("0"));
    EXPECT_EQ(w.SfdLossText->text(), QString());
    for (const QLineEdit* hook : {w.Line1Hook, w.Line2Hook}) {
        EXPECT_EQ(hook->text(), QStringLiteral("ON HOOK"));
    }
    for (const QLineEdit* ring : {w.Line1Ring, w.Line2Ring}) {
        EXPECT_EQ(ring->text(), QStringLiteral("RING OFF"));
    }
}

void ExpectNoProgramLayout(GuiMain& w) {
    for (const QLineEdit* version : {w.BootLoaderText, w.ApplicationText, w.FirmwareText}) {
        EXPECT_EQ(version->text(), QStringLiteral("???"));
    }
    for (const QLineEdit* setting : {w.FrequencyText, w.CdmaText, w.TimeSlotText, w.BattVoltText}) {
        EXPECT_EQ(setting->text(), QStringLiteral("??"));
    }
    EXPECT_EQ(Background(w.BattVoltText), kQtRed);
    EXPECT_EQ(w.TemperatureText->text(), QString());
    ExpectStatusReset(w);
    for (const QLineEdit* status : {w.OpStateText, w.RssiText, w.SfdLossText, w.TemperatureText}) {
        EXPECT_EQ(Background(status), kQtRed) << status->objectName().toStdString();
    }
    EXPECT_FALSE(w.SfdButton->isEnabled());
    EXPECT_EQ(w.CpeSelect->currentIndex(), 2);
    EXPECT_EQ(w.Session.State.SelectedCpe, 2);
    EXPECT_EQ(w.CommandLineText->text(), QString());
    EXPECT_TRUE(w.CommandLineText->isReadOnly());
    EXPECT_FALSE(w.CommandLineButton->isEnabled());
    EXPECT_FALSE(w.Session.State.CommandPending);
    EXPECT_EQ(w.ProgramText->text(), QStringLiteral("UNKNOWN"));
    EXPECT_EQ(Background(w.ProgramText), kQtRed);
}

void ExpectBootLoaderLayout(GuiMain& w) {
    ExpectStatusReset(w);
    EXPECT_TRUE(w.SfdButton->isEnabled());  // hidden as it was
    EXPECT_FALSE(w.CommandLineText->isReadOnly());
    EXPECT_TRUE(w.CommandLineButton->isEnabled());
    EXPECT_EQ(w.ProgramText->text(), QStringLiteral("BOOT LOADER"));
    EXPECT_EQ(Background(w.ProgramText), kQtYellow);
}

void ExpectApplicationLayout(GuiMain& w, const QString& genericCaption, const QStringList& entries,
                             const QString& buttonCaption, const QString& name) {
    EXPECT_EQ(w.SfdText->text(), QString());
    EXPECT_EQ(w.GenericLabel->text(), genericCaption);
    EXPECT_EQ(Entries(w.GenericSelect), entries);
    EXPECT_EQ(w.GenericSelect->currentIndex(), -1);
    EXPECT_EQ(w.GenericButton->text(), buttonCaption);
    EXPECT_EQ(w.V35Select->currentIndex(), -1);
    EXPECT_EQ(Entries(w.V35Select), QStringList({"DISABLE", "CHANNEL 1", "CHANNEL 2"}));
    for (const QPushButton* update : {w.SfdButton, w.GenericButton, w.V35Button}) {
        EXPECT_FALSE(update->isEnabled()) << update->objectName().toStdString();
    }
    EXPECT_EQ(w.Session.State.PollTick, 1);
    EXPECT_EQ(w.Session.State.PollStep, 0);
    EXPECT_TRUE(w.Session.State.InitialReadsPending);
    EXPECT_FALSE(w.CommandLineText->isReadOnly());
    EXPECT_TRUE(w.CommandLineButton->isEnabled());
    EXPECT_EQ(w.ProgramText->text(), name);
    EXPECT_EQ(Background(w.ProgramText), kQtGreen);
}

void ExpectLayout(GuiMain& w, std::int32_t program) {
    ExpectVisibility(w, program);
    switch (program) {
        case kNoProgram:
            ExpectNoProgramLayout(w);
            break;
        case kBootLoader:
            ExpectBootLoaderLayout(w);
            break;
        case kLineCardApp:
            ExpectApplicationLayout(
                w, QStringLiteral("Telephony:"),
                {"T1 & 16 KHz Tone", "E1 & 16 KHz Tone", "T1 & 12 KHz Tone", "E1 & 12 KHz Tone"},
                QStringLiteral("Update Telephony"), QStringLiteral("LINE CARD APP"));
            break;
        case kCpeApp:
            ExpectApplicationLayout(w, QStringLiteral("Range:"),
                                    {"Less than 25 miles", "Greater than 25 miles"},
                                    QStringLiteral("Update Range"), QStringLiteral("CPE APP"));
            break;
    }
    const bool dropsWrites = program == kNoProgram || program == kBootLoader;
    EXPECT_EQ(w.Session.State.SfdUpdatePending, !dropsWrites);
    EXPECT_EQ(w.Session.State.GenericUpdatePending, !dropsWrites);
    EXPECT_EQ(w.Session.State.V35UpdatePending, !dropsWrites);
    EXPECT_EQ(w.Session.State.CommandPending, program != kNoProgram);
    EXPECT_EQ(w.CommandLineText->text(), program == kNoProgram ? QString() : QStringLiteral("half"));
}

}  // namespace

TEST(Layouts, StartUpShowsUnknownOnRedWithEveryDeviceFieldHidden) {
    TestWindow t;
    t.Started();
    GuiMain& w = t.Window;
    ExpectVisibility(w, kNoProgram);
    ExpectNoProgramLayout(w);
    EXPECT_FALSE(w.GenericButton->isEnabled());
    EXPECT_FALSE(w.V35Button->isEnabled());
    EXPECT_EQ(w.GenericLabel->text(), QStringLiteral("Generic:"));
}

TEST(Layouts, EachLayoutOverEachOtherEndsInItsOwnStateAndRepeatsIdentically) {
    for (std::int32_t before = kNoProgram; before <= kCpeApp; ++before) {
        for (std::int32_t after = kNoProgram; after <= kCpeApp; ++after) {
            SCOPED_TRACE(testing::Message() << "layout " << after << " over " << before);
            TestWindow t;
            t.Started();
            GuiMain& w = t.Window;
            Apply(w, before);
            Disturb(w);
            Apply(w, after);
            ExpectLayout(w, after);
            const QStringList once = Snapshot(w);
            Apply(w, after);
            EXPECT_EQ(Snapshot(w), once);
        }
    }
}

TEST(Layouts, ProgramValuesOutsideTheKnownOnesChangeNothing) {
    for (std::int32_t before = kNoProgram; before <= kCpeApp; ++before) {
        TestWindow t;
        t.Started();
        Apply(t.Window, before);
        Disturb(t.Window);
        const QStringList snapshot = Snapshot(t.Window);
        for (std::int32_t odd : {4, -1, 1000}) {
            t.Window.Session.EnterProgram(odd);
            EXPECT_EQ(Snapshot(t.Window), snapshot) << "value " << odd << " over layout " << before;
        }
    }
}

TEST(Layouts, WhatALayoutDoesNotMentionStaysAsItWas) {
    TestWindow t;
    t.Started();
    GuiMain& w = t.Window;
    Apply(w, kLineCardApp);
    w.BootLoaderText->setText(QStringLiteral("Boot 1.2"));
    w.TemperatureText->setText(QStringLiteral("45"));
    w.GenericSelect->setCurrentIndex(3);
    w.CpeSelect->setCurrentIndex(1);

    // The boot loader keeps the versions read, the hidden power texts and the CPE choice.
    Apply(w, kBootLoader);
    EXPECT_EQ(w.BootLoaderText->text(), QStringLiteral("Boot 1.2"));
    EXPECT_EQ(w.TemperatureText->text(), QStringLiteral("45"));
    EXPECT_EQ(Background(w.TemperatureText), kQtYellow);
    EXPECT_EQ(w.CpeSelect->currentIndex(), 1);

    // Layout 0 leaves the telephony entries in the hidden list; the CPE layout then replaces them. Settling on
    // CPE 2 shows no CPE, so the CPE session does not show the Line Card's CPE 2.
    w.Session.State.Board.Cpes[2].OpState = QStringLiteral("Locked");
    Apply(w, kNoProgram);
    EXPECT_EQ(w.GenericSelect->count(), 4);
    EXPECT_EQ(w.GenericSelect->currentIndex(), 3);
    Apply(w, kCpeApp);
    EXPECT_EQ(Entries(w.GenericSelect), QStringList({"Less than 25 miles", "Greater than 25 miles"}));
    EXPECT_EQ(w.OpStateText->text(), QStringLiteral("Acquisition"));

    // The CPE layout leaves the status texts to the board's replies.
    w.OpStateText->setText(QStringLiteral("Locked"));
    w.RssiText->setText(QStringLiteral("12"));
    Apply(w, kCpeApp);
    EXPECT_EQ(w.OpStateText->text(), QStringLiteral("Locked"));
    EXPECT_EQ(w.RssiText->text(), QStringLiteral("12"));
    EXPECT_EQ(Background(w.RssiText), kQtGreen);
}

TEST(Layouts, OnlyTheLineCardLayoutResetsTheCpeStoreAndShowsTheSelectedCpe) {
    TestWindow t;
    t.Started();
    GuiMain& w = t.Window;
    const auto busy = [&w] {
        for (CpeStatusRecord& record : w.Session.State.Board.Cpes) {
            record = {QStringLiteral("Locked"),
                      QStringLiteral("12"),
                      QStringLiteral("3"),
                      {LineStatus{QStringLiteral("OFF HOOK"), QStringLiteral("RING ON")},
                       LineStatus{QStringLiteral("OFF HOOK"), QStringLiteral("RING ON")}}};
        }
    };
    const auto locked = [&w] {
        return std::all_of(
            w.Session.State.Board.Cpes.begin(), w.Session.State.Board.Cpes.end(),
            [](const CpeStatusRecord& record) { return record.OpState == QStringLiteral("Locked"); });
    };

    busy();
    Apply(w, kBootLoader);
    Apply(w, kCpeApp);
    EXPECT_TRUE(locked());

    Apply(w, kLineCardApp);
    for (const CpeStatusRecord& record : w.Session.State.Board.Cpes) {
        EXPECT_EQ(record.OpState, QStringLiteral("Acquisition"));
        EXPECT_EQ(record.Rssi, QStringLiteral("0"));
        EXPECT_EQ(record.SfdLosses, QString());
        for (const LineStatus& line : record.Lines) {
            EXPECT_EQ(line.Hook, QStringLiteral("ON HOOK"));
            EXPECT_EQ(line.Ring, QStringLiteral("RING OFF"));
        }
    }

    // Shown again over texts a reply left in the fields.
    busy();
    w.Session.ShowCpeStatus();
    ASSERT_EQ(w.OpStateText->text(), QStringLiteral("Locked"));
    Apply(w, kLineCardApp);
    ExpectStatusReset(w);
    EXPECT_EQ(Background(w.OpStateText), kQtRed);
    EXPECT_EQ(w.Session.State.SelectedCpe, 2);
}
