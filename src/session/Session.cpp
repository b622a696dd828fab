#include "session/Session.h"

#include <utility>

namespace {

constexpr int kTransmitIntervalMs = 100;
constexpr int kReopenIntervalMs = 1000;  // a look for a lost port's device costs a stat or a port scan

}  // namespace

Session::Session(SerialPort& port, const SessionInputs& inputs, SessionSink& sink)
    : Port(port), Download(port, DownloadTimer, *this), inputs_(inputs), sink_(sink) {
    TransmitTimer.setTimerType(Qt::PreciseTimer);
    TransmitTimer.setInterval(kTransmitIntervalMs);
    ReopenTimer.setInterval(kReopenIntervalMs);
    QObject::connect(&TransmitTimer, &QTimer::timeout, [this] { Tick(); });
    QObject::connect(&ReopenTimer, &QTimer::timeout, [this] { ReopenTimer_Timer(); });
    Port.OnComm = [this](CommEvent event) { OnComm(event); };
}

Session::~Session() {
    if (!closed_) {
        Close();
    }
    Port.OnComm = nullptr;
}

void Session::Start() {
    State.PollTick = 0;
    State.TerminalDebugOff = false;
    TransmitTimer.start();
    ClearReceiveBuffer();
    State.LoggingActive = false;
}

void Session::Close() {
    closed_ = true;
    // A close under a nested event loop comes before the log step of the piece being handled: the log still
    // gets every byte received.
    if (State.LoggingActive) {
        WriteToLogFile(std::exchange(unloggedText_, {}));
    }
    State.LogFile.close();
    Download.Shutdown();
    if (Port.IsOpen()) {
        Port.Close();
    }
    TransmitTimer.stop();
    ReopenTimer.stop();
}

// The board's text goes to the download now; whatever line assembly held before belongs to no line after it.
void Session::DownloadStarting() {
    TransmitTimer.stop();
    ClearReceiveBuffer();
    State.ReplyLine.clear();
    EnterProgram(kBootLoader);
    sink_.DownloadStarting();
}

void Session::DownloadStatusChanged(DownloadStep step, const QString& text) {
    sink_.DownloadStatusChanged(step, text);
}

void Session::DownloadProgressChanged(double value) {
    sink_.DownloadProgressChanged(value);
}

void Session::DownloadWarning(const QString& text) {
    sink_.DownloadWarning(text);
}

// Polling resumes; the restarted board's banner tells its program again.
void Session::DownloadEnded(DownloadEnd how) {
    sink_.DownloadEnded(how);
    State.ReplyLine.clear();
    EnterProgram(kNoProgram);
    TransmitTimer.start();
}
