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
    return state.DownloadPhase == kTransferring && state.DownloadFile.isOpen() &&
           state.DownloadSent < state.DownloadLength;
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
    sink_.DownloadStatusChanged(DownloadStep::Sending, QStringLiteral("Sending %1 ...").arg(State.DownloadName));
    // Paint the text before the file is read; an abort or a close meanwhile ends the start here.
    if (!RunPendingEvents() || !OpenProgramFile()) {
        return;
    }
    port_.SetSendThreshold(kSendThreshold);
    SendBlocks(kInitialBlocks);
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
        BeginFlashWait();
    }
}

// Sends the next block at its full size: the file's next bytes, then filler past its end. A block that cannot
// be read ends the download rather than sending something that is not the file.
bool DownloadEngine::SendBlock() {
    const qint64 wanted = std::min(kBlockSize, qint64{State.DownloadLength} - State.DownloadSent);
    State.DownloadBlock = State.DownloadFile.read(wanted);
    if (State.DownloadBlock.size() != wanted) {
        WarnAndEndDownload(ReadFailureOf(State.DownloadFile, State.DownloadName), DownloadEnd::FileFailed);
        return false;
    }
    State.DownloadBlock.append(kBlockSize - wanted, kFiller);
    port_.Send(State.DownloadBlock);
    State.DownloadSent += static_cast<std::int32_t>(kBlockSize);
    return true;
}

void DownloadEngine::BeginFlashWait() {
    sink_.DownloadStatusChanged(DownloadStep::Flashing, QStringLiteral("Flashing %1 ...").arg(State.DownloadName));
    ShowProgress(0);
    port_.SetSendThreshold(0);
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
