#include "link/SerialPort.h"
#include "session/Session.h"
#include "status/ReadingRules.h"
#include "status/SettingPositions.h"

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

}  // namespace

void Session::SendAll(const QStringList& commands) {
    for (const QString& command : commands) {
        SendCommand(command);
    }
}

void Session::ServeCommandLine() {
    if (State.CommandPending) {
        SendCommand(inputs_.CommandLine());
        State.CommandPending = false;
    }
}

void Session::ServeSfdWrite() {
    if (State.SfdUpdatePending) {
        SendCommand(QStringLiteral("wee 0 ") + CommandHex(static_cast<std::uint32_t>(State.SfdValue)));
        State.SfdUpdatePending = false;
    }
}

// The Line Card keeps other settings in the upper six bits of location 4: only the telephony mode bits
// change. The CPE's location 4 is the range alone. With no entry selected there is nothing to write.
void Session::ServeGenericWrite() {
    SessionState& state = State;
    if (!state.GenericUpdatePending) {
        return;
    }
    state.GenericUpdatePending = false;
    const int position = inputs_.GenericSettingPosition();
    if (position < 0) {
        return;
    }
    auto value = static_cast<std::uint32_t>(position);
    if (state.ActiveProgram == kLineCardApp) {
        state.GenericEepromByte = WithTelephonyMode(state.GenericEepromByte, position);
        value = state.GenericEepromByte;
    }
    SendCommand(QStringLiteral("wee 4 ") + CommandHex(value));
}

void Session::ServeV35Write() {
    if (!State.V35UpdatePending) {
        return;
    }
    State.V35UpdatePending = false;
    const int position = inputs_.V35SettingPosition();
    if (position >= 0) {
        SendCommand(QStringLiteral("wee 5 ") + CommandHex(static_cast<std::uint32_t>(position)));
    }
}

// The board's debug output would flood the console, so it is switched off once each time the console comes
// into view. Returns whether the console is in view.
bool Session::QuietConsole() {
    if (!inputs_.ConsoleInView()) {
        State.TerminalDebugOff = false;
        return false;
    }
    if (!State.TerminalDebugOff) {
        SendCommand(QStringLiteral("debug 0"));
        State.TerminalDebugOff = true;
    }
    return true;
}

void Session::AdvancePollCycle() {
    SessionState& state = State;
    ++state.PollStep;
    const PollStepCommands& commands = CommandsOfStep(state.PollStep);
    if (state.InitialReadsPending) {
        SendAll(commands.OneTime);
    }
    SendAll(commands.Always);
    if (state.PollStep == kLastPollStep) {
        state.PollStep = 0;
        state.InitialReadsPending = false;
    }
}

void Session::ApplicationTick() {
    ServeCommandLine();
    ServeSfdWrite();
    ServeGenericWrite();
    ServeV35Write();
    const bool consoleInView = QuietConsole();
    if (!consoleInView && State.PollTick == 0) {
        AdvancePollCycle();
    }
}

void Session::SendCommand(const QString& text) {
    Port.SendLine(text);
}

void Session::Tick() {
    if (++State.PollTick >= kTicksPerSecond) {
        State.PollTick = 0;
    }
    if (!Port.IsOpen()) {
        return;  // requests wait for an open port
    }
    switch (State.ActiveProgram) {
        case kNoProgram:
            if (State.PollTick == 0) {
                SendCommand(QStringLiteral("cpu"));
            }
            return;
        case kBootLoader:
            ServeCommandLine();
            if (State.PollTick == 0) {
                SendCommand(QStringLiteral("help"));
            }
            return;
        case kLineCardApp:
        case kCpeApp:
            ApplicationTick();
            return;
        default:
            return;
    }
}
