#include "download/DownloadEngine.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <memory>

namespace {

constexpr int kBootLoaderWaitMs = 9000;  // per reset request

}  // namespace

DownloadEngine::DownloadEngine(SerialPort& port, QTimer& timer, DownloadSink& sink)
    : port_(port), timer_(timer), sink_(sink) {
    timer_.setTimerType(Qt::PreciseTimer);
    NowMs = [clock = std::make_shared<QElapsedTimer>()] {
        if (!clock->isValid()) {
            clock->start();
        }
        return clock->elapsed();
    };
    PendingOutput = [&port] { return port.WaitingToSend(); };
    tick_ = QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { DownloadTimer_Timer(); });
}

DownloadEngine::~DownloadEngine() {
    QObject::disconnect(tick_);
    timer_.stop();
}

void DownloadEngine::BeginDownload(const QString& path) {
    State.DownloadPath = path;
    State.DownloadName = QFileInfo(path).fileName();
    State.DownloadInMemory = false;
    State.DownloadBytes.clear();
    Begin();
}

void DownloadEngine::BeginDownloadOf(const QString& name, const QByteArray& bytes) {
    State.DownloadPath.clear();
    State.DownloadName = name;
    State.DownloadInMemory = true;
    State.DownloadBytes = bytes;
    Begin();
}

void DownloadEngine::Begin() {
    ++State.DownloadNumber;
    State.DownloadPhase = kAwaitingReady;
    State.DownloadActive = true;
    State.DownloadEnding = false;
    State.DownloadFile.close();
    State.ReplyLine.clear();
    sink_.DownloadStarting();
    sink_.DownloadStatusChanged(DownloadStep::Rebooting, QStringLiteral("Rebooting Velmora ..."));
    ShowProgress(0);
    SendResetRequest();
    State.BootRetryCount = 0;
    RestartDownloadTimer(kBootLoaderWaitMs);
}

// Two sends: a CR LF alone ends whatever the console had half-read, then the command itself.
void DownloadEngine::SendResetRequest() {
    port_.SendLine(QString());
    port_.SendLine(QStringLiteral("reset"));
}

void DownloadEngine::RestartDownloadTimer(int intervalMs) {
    timer_.stop();
    timer_.start(intervalMs);
}

// The progress is kept as a fraction, never above the maximum; a bar shows it rounded half to even.
void DownloadEngine::ShowProgress(double value) {
    State.DownloadProgressValue = std::min(value, static_cast<double>(kProgressMaximum));
    sink_.DownloadProgressChanged(State.DownloadProgressValue);
}

void DownloadEngine::DownloadTimer_Timer() {
    // Nothing runs on under a warning that ends the download.
    if (!State.DownloadActive || State.DownloadEnding) {
        return;
    }
    switch (State.DownloadPhase) {
        case kAwaitingReady:
            if (State.BootRetryCount > 0) {
                WarnAndEndDownload(QStringLiteral("Boot Loader Not Detected"), DownloadEnd::NotDetected);
                return;
            }
            ++State.BootRetryCount;
            State.ReplyLine.clear();
            SendResetRequest();
            return;
        case kStoppingBootLoader:
            WarnAndEndDownload(QStringLiteral("Boot Loader Unresponsive"), DownloadEnd::Unresponsive);
            return;
        default:  // the wait for the last byte to reach the board, then the flashing wait
            if (!State.DownloadFlashing) {
                AwaitLastByte();
                return;
            }
            ShowProgress(State.DownloadProgressValue + kFlashStep);
            if (State.DownloadProgressValue >= kProgressMaximum) {
                EndDownload(DownloadEnd::Completed);
            }
    }
}

// A warning may be modal, and ticks and port events keep arriving under it: the download is put on hold
// first, so this stays the only warning and nothing is sent meanwhile. Something under the box may end the
// download already (a lost port); then it is not ended twice.
void DownloadEngine::WarnAndEndDownload(const QString& text, DownloadEnd how) {
    timer_.stop();
    State.DownloadEnding = true;
    sink_.DownloadWarning(text);
    if (State.DownloadActive) {
        EndDownload(how);
    }
}

void DownloadEngine::EndDownload(DownloadEnd how) {
    timer_.stop();
    State.DownloadActive = false;
    State.DownloadEnding = false;
    port_.SetSendThreshold(0);
    State.DownloadFile.close();
    if (shutDown_) {
        return;  // the front end went away under a nested event loop: nothing more is sent
    }
    State.ReplyLine.clear();
    SendResetRequest();
    sink_.DownloadEnded(how);
}

void DownloadEngine::Shutdown() {
    shutDown_ = true;
    State.DownloadFile.close();
    timer_.stop();
}
