#include "download/DownloadEngine.h"

#include <QCoreApplication>
#include <QScopedValueRollback>

#include <algorithm>

namespace {

const QString kReady = QStringLiteral("Boot Loader Ready");
const QString kStopped = QStringLiteral("Boot Loader Stopped");
constexpr int kStopWaitMs = 2000;  // for "Boot Loader Stopped" after the last "Boot Loader Ready"

constexpr int kInitialBlocks = 2;    // fits the port's 2048-character transmit buffer
constexpr int kSendThreshold = 500;  // half a block: the buffer is refilled before it runs dry
// Completes the last block. The boot loader reads Intel-hex records, each starting with ':'; a line feed
// between records is skipped by any such reader, and it also ends a last record that the file left without a
// line end.
constexpr char kFiller = '\n';
// Text already searched can only matter for an announcement still arriving, so only a tail of it is kept:
// a board that keeps talking cannot grow it without bound.
constexpr qsizetype kReplyTextLimit = 4096;

void KeepReplyTail(QString& text) {
    if (text.size() > kReplyTextLimit) {
        text.remove(0, text.size() - kReplyTextLimit);
    }
}

bool TransferUnderWay(const DownloadState& state) {
    return state.DownloadPhase == kTransferring && (state.DownloadInMemory || state.DownloadFile.isOpen()) &&
           state.DownloadSent < state.DownloadLength;
}

// While the line has not carried what is waiting, the wait for the last byte looks again this often.
constexpr qint64 kPendingPollMs = 20;

qint64 LineMs(qint64 bytes) {
    constexpr qint64 kBitsPerMs = DownloadEngine::kLineBitsPerSecond;
    return (bytes * DownloadEngine::kBitsPerByte * 1000 + kBitsPerMs - 1) / kBitsPerMs;
}

QString ReadFailureOf(const QFile& file, const QString& name) {
    // A file cut short has no error of its own to report.
    return file.error() != QFileDevice::NoError
               ? file.errorString()
               : QStringLiteral("%1 became shorter during the download.").arg(name);
}

}  // namespace

void DownloadEngine::HandleBootLoaderText(const QString& piece) {
    State.ReplyLine.append(piece);
    // During the transfer and the flashing wait, and under a warning that ends the download, text is only
    // kept.
    // NOLINTNEXTLINE(bugprone-branch-clone): the last branch keeps too, but after looking for announcements
    if (State.DownloadPhase == kTransferring || State.DownloadEnding) {
        KeepReplyTail(State.ReplyLine);
    } else if (State.ReplyLine.contains(kReady)) {
        StopBootLoader();
    } else if (State.ReplyLine.contains(kStopped)) {
        StartTransfer();
    } else {
        KeepReplyTail(State.ReplyLine);  // an announcement may still be split over the next piece
    }
}

void DownloadEngine::StopBootLoader() {
    RestartDownloadTimer(kStopWaitMs);
    State.ReplyLine.clear();
    State.DownloadPhase = kStoppingBootLoader;
    port_.SendLine(QStringLiteral("stop"));
}

void DownloadEngine::StartTransfer() {
    timer_.stop();  // sending is not time-supervised
    State.ReplyLine.clear();
    State.DownloadPhase = kTransferring;
    sink_.DownloadStatusChanged(DownloadStep::Sending,
                                QStringLiteral("Sending %1 ...").arg(State.DownloadName));
    // Paint the text before the file is read; an abort or a close meanwhile ends the start here.
    if (!RunPendingEvents() || !OpenProgram()) {
        return;
    }
    port_.SetSendThreshold(kSendThreshold);
    State.DownloadStartMs = NowMs();
    State.DownloadFlashing = false;
    SendBlocks(kInitialBlocks);
}

bool DownloadEngine::OpenProgram() {
    if (!State.DownloadInMemory) {
        return OpenProgramFile();
    }
    const QString refusal = FileRefusal(State.DownloadName, State.DownloadBytes.size());
    if (!refusal.isEmpty()) {
        WarnAndEndDownload(refusal, DownloadEnd::FileFailed);
        return false;
    }
    State.DownloadLength = static_cast<std::int32_t>(State.DownloadBytes.size());
    State.DownloadSent = 0;
    return true;
}

bool DownloadEngine::OpenProgramFile() {
    QFile& file = State.DownloadFile;
    file.setFileName(State.DownloadPath);
    // Binary and read-only: the board gets the file exactly as stored. Unbuffered, so only one block is held
    // at a time and every block is read from the file as it is then.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        WarnAndEndDownload(file.errorString(), DownloadEnd::FileFailed);
        return false;
    }
    const qint64 length = file.size();
    const QString refusal = FileRefusal(State.DownloadName, length);
    if (!refusal.isEmpty()) {
        WarnAndEndDownload(refusal, DownloadEnd::FileFailed);
        return false;
    }
    State.DownloadLength = static_cast<std::int32_t>(length);
    State.DownloadSent = 0;
    return true;
}

// The end is decided by the bytes handed over, after the initial burst as after each later block, so a short
// file reaches the flashing wait too.
void DownloadEngine::SendBlocks(int count) {
    for (int block = 0; block < count && State.DownloadSent < State.DownloadLength; ++block) {
        if (!SendBlock()) {
            return;
        }
    }
    ShowProgress(static_cast<double>(std::int64_t{kProgressMaximum} * State.DownloadSent) /
                 State.DownloadLength);
    if (State.DownloadSent >= State.DownloadLength) {
        port_.SetSendThreshold(0);
        AwaitLastByte();
    }
}

// Sends the next block at its full size: the file's next bytes, then filler past its end. A block that cannot
// be read ends the download rather than sending something that is not the file.
bool DownloadEngine::SendBlock() {
    const qint64 wanted = std::min(kBlockSize, qint64{State.DownloadLength} - State.DownloadSent);
    State.DownloadBlock = ReadBlock(wanted);
    if (State.DownloadBlock.size() != wanted) {
        WarnAndEndDownload(ReadFailureOf(State.DownloadFile, State.DownloadName), DownloadEnd::FileFailed);
        return false;
    }
    State.DownloadBlock.append(kBlockSize - wanted, kFiller);
    port_.Send(State.DownloadBlock);
    State.DownloadSent += static_cast<std::int32_t>(kBlockSize);
    return true;
}

QByteArray DownloadEngine::ReadBlock(qint64 wanted) {
    return State.DownloadInMemory ? State.DownloadBytes.mid(State.DownloadSent, wanted)
                                  : State.DownloadFile.read(wanted);
}

// The port takes the bytes faster than the line carries them (a pty, a network serial server takes the whole
// file at once): the last byte cannot reach the board before the line has carried every byte sent since the
// first block, nor while the port still holds some back.
qint64 DownloadEngine::LastByteArrivalMs() const {
    return State.DownloadStartMs + LineMs(State.DownloadSent);
}

// The board programs its flash only once it has the last byte; resetting it earlier would cut that short.
void DownloadEngine::AwaitLastByte() {
    const qint64 lineLeftMs = LastByteArrivalMs() - NowMs();
    const qint64 pending = PendingOutput();
    if (lineLeftMs <= 0 && pending <= 0) {
        BeginFlashWait();
        return;
    }
    const qint64 pendingMs = pending > 0 ? std::max(LineMs(pending), kPendingPollMs) : 0;
    RestartDownloadTimer(static_cast<int>(std::max(lineLeftMs, pendingMs)));
}

void DownloadEngine::BeginFlashWait() {
    State.DownloadFlashing = true;
    State.DownloadProgressValue = 0;  // so the flashing step is never shown beside the transfer's 100
    sink_.DownloadStatusChanged(DownloadStep::Flashing,
                                QStringLiteral("Flashing %1 ...").arg(State.DownloadName));
    ShowProgress(0);
    RestartDownloadTimer(kFlashTickMs);
}

void DownloadEngine::SendNextBlock() {
    // A send event delivered while this one lets events run is absorbed by it: this one sends the next block,
    // so every block goes out once and in file order.
    if (State.DownloadInSendEvent) {
        return;
    }
    const QScopedValueRollback inSendEvent(State.DownloadInSendEvent, true);
    if (RunPendingEvents() && TransferUnderWay(State)) {
        SendBlocks(1);
    }
}

// Lets pending events run. They may abort the download (and even start another one), put up a warning
// that ends it, or shut the front end down; the caller goes on only if none of that happened.
bool DownloadEngine::RunPendingEvents() {
    const std::uint32_t download = State.DownloadNumber;
    QCoreApplication::processEvents();
    return !shutDown_ && State.DownloadActive && !State.DownloadEnding && State.DownloadNumber == download;
}

QString FileRefusal(const QString& name, qint64 length) {
    if (length == 0) {
        return QStringLiteral("%1 is empty: there is nothing to download.").arg(name);
    }
    return length > DownloadEngine::kLargestFile ? QStringLiteral("%1 is too large to download.").arg(name)
                                                 : QString();
}
