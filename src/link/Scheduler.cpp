#include "app/GuiMain.h"
#include "status/ReadingRules.h"
#include "status/SettingPositions.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>

#include <array>
#include <cstdint>

namespace {

constexpr std::uint8_t kTicksPerSecond = 10;
constexpr std::uint8_t kLastPollStep = 10;

// What one second of the status-poll cycle sends: the reads made only in the first cycle after an application
// was detected, then the regular ones.
struct PollStepCommands {
    QStringList OneTime;
    QStringList Always;
};

const PollStepCommands& CommandsOfStep(std::uint8_t step) {
    static const QString kSignal = QStringLiteral("rdm ff28 4");
    static const QString kSwitches = QStringLiteral("rdm ff12 8");
    static const QString kBattery = QStringLiteral("battery");
    static const QString kTemperature = QStringLiteral("temperature");
    static const std::array<PollStepCommands, kLastPollStep + 1> kTable{{
        {{}, {}},  // no step yet
        {{}, {}},
        {{}, {kSignal, kSwitches}},
        {{QStringLiteral("ree 0"), QStringLiteral("ree 4")}, {kBattery, kTemperature}},
        {{QStringLiteral("ree 5"), QStringLiteral("versions")}, {kSignal, kSwitches}},
        {{QStringLiteral("op_status"), QStringLiteral("line_state")}, {}},
        {{QStringLiteral("debug 1")}, {kSignal, kSwitches}},
        {{}, {kBattery, kTemperature}},
        {{}, {kSignal, kSwitches}},
        {{}, {}},
        {{}, {kSignal, kSwitches}},
    }};
    static const PollStepCommands kNothing;
    if (step < kTable.size()) {
        return kTable[step];
    }
    return kNothing;
}

// Desktop styles may add '&' mnemonics to tab captions; the caption the engineer reads is what counts.
bool TerminalTabSelected(const QTabWidget& tabs) {
    QString caption = tabs.tabText(tabs.currentIndex());
    caption.remove(u'&');
    return caption == QStringLiteral("Terminal");
}

void SendAll(GuiMain& window, const QStringList& commands) {
    for (const QString& command : commands) {
        window.SendCommand(command);
    }
}

void ServeCommandLine(GuiMain& window) {
    if (window.State.CommandPending) {
        window.SendCommand(window.CommandLineText->text());
        window.State.CommandPending = false;
    }
}

void ServeSfdWrite(GuiMain& window) {
    if (window.State.SfdUpdatePending) {
        window.SendCommand(QStringLiteral("wee 0 ") +
                           CommandHex(static_cast<std::uint32_t>(window.State.SfdValue)));
        window.State.SfdUpdatePending = false;
    }
}

// The Line Card keeps other settings in the upper six bits of location 4: only the telephony mode bits
// change. The CPE's location 4 is the range alone. With no entry selected there is nothing to write.
void ServeGenericWrite(GuiMain& window) {
    FormState& state = window.State;
    if (!state.GenericUpdatePending) {
        return;
    }
    state.GenericUpdatePending = false;
    const int position = window.GenericSelect->currentIndex();
    if (position < 0) {
        return;
    }
    auto value = static_cast<std::uint32_t>(position);
    if (state.ActiveProgram == kLineCardApp) {
        state.GenericEepromByte = WithTelephonyMode(state.GenericEepromByte, position);
        value = state.GenericEepromByte;
    }
    window.SendCommand(QStringLiteral("wee 4 ") + CommandHex(value));
}

void ServeV35Write(GuiMain& window) {
    if (!window.State.V35UpdatePending) {
        return;
    }
    window.State.V35UpdatePending = false;
    const int position = window.V35Select->currentIndex();
    if (position >= 0) {
        window.SendCommand(QStringLiteral("wee 5 ") + CommandHex(static_cast<std::uint32_t>(position)));
    }
}

// The board's debug output would flood the terminal view, so it is switched off once per visit of that tab.
// Returns whether the Terminal tab is on top.
bool QuietTerminal(GuiMain& window) {
    if (!TerminalTabSelected(*window.GUI_Tabs)) {
        window.State.TerminalDebugOff = false;
        return false;
    }
    if (!window.State.TerminalDebugOff) {
        window.SendCommand(QStringLiteral("debug 0"));
        window.State.TerminalDebugOff = true;
    }
    return true;
}

void AdvancePollCycle(GuiMain& window) {
    FormState& state = window.State;
    ++state.PollStep;
    const PollStepCommands& commands = CommandsOfStep(state.PollStep);
    if (state.InitialReadsPending) {
        SendAll(window, commands.OneTime);
    }
    SendAll(window, commands.Always);
    if (state.PollStep == kLastPollStep) {
        state.PollStep = 0;
        state.InitialReadsPending = false;
    }
}

void ApplicationTick(GuiMain& window) {
    ServeCommandLine(window);
    ServeSfdWrite(window);
    ServeGenericWrite(window);
    ServeV35Write(window);
    const bool terminalOnTop = QuietTerminal(window);
    if (!terminalOnTop && window.State.PollTick == 0) {
        AdvancePollCycle(window);
    }
}

}  // namespace

void GuiMain::SendCommand(const QString& text) {
    MSComm1.SendLine(text);
}

void GuiMain::TransmitTimer_Timer() {
    if (++State.PollTick >= kTicksPerSecond) {
        State.PollTick = 0;
    }
    if (!MSComm1.IsOpen()) {
        return;  // requests wait for an open port
    }
    switch (State.ActiveProgram) {
        case kNoProgram:
            if (State.PollTick == 0) {
                SendCommand(QStringLiteral("cpu"));
            }
            return;
        case kBootLoader:
            ServeCommandLine(*this);
            if (State.PollTick == 0) {
                SendCommand(QStringLiteral("help"));
            }
            return;
        case kLineCardApp:
        case kCpeApp:
            ApplicationTick(*this);
            return;
        default:
            return;
    }
}

void GuiMain::CommandLineButton_Click() {
    State.CommandPending = true;
}
