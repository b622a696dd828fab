#include "session/Session.h"

namespace {

// A port that comes and goes all night must not grow the notice without end: the latest losses are listed.
constexpr qsizetype kListedLosses = 10;

QString Stamp(const QDateTime& time) {
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

void RecordLoss(SessionState& state, const QString& entry) {
    state.PortLosses << entry;
    if (state.PortLosses.size() > kListedLosses) {
        state.PortLosses.removeFirst();
        ++state.UnlistedPortLosses;
    }
}

// What the engineer is to do about a lost port, by what its device is known by.
QString LossAdvice(DeviceIdentity::Kind device) {
    switch (device) {
        case DeviceIdentity::Kind::Pty:
            return QStringLiteral("Reconnect it, then choose it again.");
        case DeviceIdentity::Kind::Unknown:
            return QStringLiteral(
                "Its adapter has no serial number and its USB port is unknown, so another adapter of the "
                "same kind could be taken for it: reconnect it, then choose it again.");
        default:
            return QStringLiteral("Reconnect it: it is opened again as soon as it is back.");
    }
}

bool Awaited(DeviceIdentity::Kind device) {
    return device != DeviceIdentity::Kind::Pty && device != DeviceIdentity::Kind::Unknown;
}

// The state of the port in one sentence, then when it was lost and when it came back, oldest first.
QString LossNotice(const SessionState& state, const QString& headline) {
    QStringList lines{headline, QString()};
    if (state.UnlistedPortLosses > 0) {
        lines << QStringLiteral("%1 earlier losses not listed").arg(state.UnlistedPortLosses);
    }
    return (lines + state.PortLosses).join(u'\n');
}

}  // namespace

OpenResult Session::OpenPort(int comNumber) {
    Port.SetPortNumber(comNumber);
    const OpenResult result = Port.Open();
    if (result.Status != OpenStatus::Opened && Port.IsOpen()) {
        Port.Close();
    }
    return result;
}

// The port just opened is named so that its device can be found again if it goes away.
void Session::PortOpened(const QString& name) {
    State.PortName = name;
    State.PortDevice = Port.Identify();
}

void Session::NoPortInEffect() {
    State.PortName.clear();
}

// What a change of port resets: the port, what was known of the board, and its half-received line.
void Session::ForgetPort() {
    if (Port.IsOpen()) {
        Port.Close();
    }
    ForgetBoard();
}

void Session::ForgetBoard() {
    EnterProgram(kNoProgram);
    ClearReceiveBuffer();
}

// The open port failed under us (adapter unplugged, pty closed); the port is already closed. The board is
// forgotten as at any change of port, and the port stays in effect while its device is awaited; a device that
// cannot be recognised when it comes back is not awaited, and the operator chooses it again. A report about a
// port that is open (again) or already awaited is stale, and so is one about a port closed for another
// choice.
void Session::PortLost() {
    if (State.PortName.isEmpty() || inputs_.ChoosingAnotherPort() || Port.IsOpen() ||
        ReopenTimer.isActive()) {
        return;
    }
    const QString portName = State.PortName;
    ForgetPort();
    if (Download.Active()) {
        Download.EndDownload(DownloadEnd::PortLost);  // nothing restarts it
    }
    RecordLoss(State, QStringLiteral("%1 lost %2").arg(portName, Stamp(Clock())));
    const bool awaited = Awaited(State.PortDevice.By);
    if (awaited) {
        ReopenTimer.start();
    }
    sink_.PortLost(
        LossNotice(
            State,
            QStringLiteral("%1 is no longer available. %2").arg(portName, LossAdvice(State.PortDevice.By))),
        awaited);
}

// Once the lost device is back it is opened as a choice of its port would open it, and logging goes on: the
// board, which may have restarted since, is asked again for the output the log is kept for. A device that is
// back but does not open yet (busy, not yet accessible) is tried again at the next tick, silently.
void Session::ReopenTimer_Timer() {
    const OpenResult result = Port.Reopen(State.PortDevice);
    if (result.Status != OpenStatus::Opened) {
        return;
    }
    ReopenTimer.stop();
    ForgetBoard();
    PortOpened(State.PortName);
    if (State.LoggingActive) {
        RaiseDebugLevelForLog();
    }
    State.PortLosses.last() += QStringLiteral(", back ") + Stamp(Clock());
    sink_.PortBack(result.Device,
                   LossNotice(State, QStringLiteral("%1 is back and open again.").arg(State.PortName)));
}
