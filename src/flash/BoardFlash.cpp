#include "flash/BoardFlash.h"

#include "link/ComPorts.h"
#include "link/OpenFailure.h"
#include "link/QtSerialPort.h"
#include "replies/Banners.h"

#include <QDeadlineTimer>
#include <QFileInfo>

#include <optional>
#include <utility>

namespace {

// Announcements of the program that starts after a reset, the applications' first.
struct Banner {
    QStringView Marker;
    const char* Program;
};
constexpr Banner kApplicationBanners[] = {
    {kLineCardBanner, "Line Card"},
    {kCpeBanner, "CPE"},
};
constexpr qsizetype kVerifyTextLimit = 4096;
constexpr int kDrainMs = 3000;  // a full transmit buffer and the reset after it, at the line rate

// The window's advice says to choose the port again; here the run is started again.
QString PortOpenMessage(const OpenResult& opened, const QString& device) {
    switch (opened.Status) {
        case OpenStatus::Busy:
            return opened.Description +
                   QStringLiteral(
                       "\n%1 is in use by another program: close that program, then run velmora-flash "
                       "again.")
                       .arg(device);
        case OpenStatus::Missing:
            return opened.Description +
                   QStringLiteral("\nConnect the adapter, then run velmora-flash again.");
        default:
            return OpenFailureWarning(opened, device);
    }
}

bool Retryable(BoardResult result) {
    return result == BoardResult::NotDetected || result == BoardResult::Unresponsive ||
           result == BoardResult::NoBanner;
}

BoardResult ResultOf(DownloadEnd how) {
    switch (how) {
        case DownloadEnd::Completed:
            return BoardResult::Flashed;
        case DownloadEnd::Aborted:
            return BoardResult::Interrupted;
        case DownloadEnd::NotDetected:
            return BoardResult::NotDetected;
        case DownloadEnd::Unresponsive:
            return BoardResult::Unresponsive;
        case DownloadEnd::FileFailed:
            return BoardResult::FileRefused;
        case DownloadEnd::PortLost:
            return BoardResult::PortLost;
    }
    return BoardResult::Interrupted;
}

}  // namespace

BoardFlash::BoardFlash(Settings settings, std::function<void(const BoardReport&)> report)
    : settings_(std::move(settings)), report_(std::move(report)) {
    verifyTimer_.setSingleShot(true);
    connect(&verifyTimer_, &QTimer::timeout, this, [this] {
        const QString message = banner_.isEmpty() ? QStringLiteral("The board announced no program.")
                                                  : QStringLiteral("Only the boot loader started.");
        if (!Retry(BoardResult::NoBanner, message)) {
            Finish(BoardResult::NoBanner, message);
        }
    });
}

BoardFlash::~BoardFlash() = default;

void BoardFlash::Start() {
    clock_.start();
    Publish(QStringLiteral("opening"));
    port_ = std::make_unique<QtSerialPort>();
    // "COMn" as the window maps it; anything else is a device path, a relative one from the current folder.
    const std::optional<int> com = ComNumberOf(settings_.Port);
    const QString device = com ? ComDevicePath(*com) : QFileInfo(settings_.Port).absoluteFilePath();
    if (com) {
        port_->SetPortNumber(*com);
    }
    const OpenResult opened = com ? port_->Open() : port_->OpenDevice(device);
    if (opened.Status != OpenStatus::Opened) {
        Finish(BoardResult::PortNotOpened, PortOpenMessage(opened, com ? settings_.Port : device));
        return;
    }
    device_ = DescribeDevice(device);
    port_->OnComm = [this](CommEvent event) { OnComm(event); };
    DownloadSink& sink = *this;
    engine_ = std::make_unique<DownloadEngine>(*port_, downloadTimer_, sink);
    engine_->PendingOutput = [this] { return port_->PendingOutput(); };
    engine_->BeginDownloadOf(settings_.ProgramName, settings_.Program);
}

// A board that did not answer is tried again from its first reset request, while tries are left.
bool BoardFlash::Retry(BoardResult result, const QString& message) {
    if (!Retryable(result) || try_ > settings_.Retries) {
        return false;
    }
    BoardReport report{.Board = settings_.Board,
                       .Phase = QStringLiteral("retrying"),
                       .Seconds = ElapsedSeconds(),
                       .Result = result,
                       .Message = message,
                       .Banner = banner_};
    Measure(report);
    report_(report);
    ++try_;
    warning_.clear();
    verifyText_.clear();
    banner_.clear();
    engine_->BeginDownloadOf(settings_.ProgramName, settings_.Program);
    return true;
}

void BoardFlash::Interrupt() {
    if (done_) {
        return;
    }
    if (engine_ && engine_->Active()) {
        engine_->EndDownload(DownloadEnd::Aborted);  // reports through DownloadEnded
        return;
    }
    Finish(BoardResult::Interrupted);
}

void BoardFlash::OnComm(CommEvent event) {
    if (done_ || !engine_) {
        return;
    }
    switch (event) {
        case CommEvent::Receive: {
            const QString piece = QString::fromLatin1(port_->ReadInput());
            if (engine_->Active() && engine_->State.DownloadPhase == kTransferring) {
                ReportBoardText(piece, false);
            }
            if (engine_->Active()) {
                engine_->HandleBootLoaderText(piece);
            } else {
                Verify(piece);
            }
            break;
        }
        case CommEvent::Send:
            engine_->SendNextBlock();
            break;
        case CommEvent::PortLost:
            if (engine_->Active()) {
                engine_->EndDownload(DownloadEnd::PortLost);
            } else {
                Finish(BoardResult::PortLost, LostPortMessage());
            }
            break;
    }
}

void BoardFlash::DownloadStatusChanged(DownloadStep step, const QString& /*text*/) {
    static const QString kPhases[] = {QStringLiteral("rebooting"), QStringLiteral("sending"),
                                      QStringLiteral("flashing")};
    Publish(kPhases[static_cast<int>(step)]);
}

void BoardFlash::DownloadProgressChanged(double /*value*/) {
    Publish(phase_);
}

void BoardFlash::DownloadWarning(const QString& text) {
    warning_ = text;
}

void BoardFlash::DownloadEnded(DownloadEnd how) {
    ReportBoardText({}, true);
    if (how == DownloadEnd::PortLost) {
        warning_ = LostPortMessage();
    }
    if (how != DownloadEnd::Completed || settings_.VerifyTimeoutMs == 0) {
        if (!Retry(ResultOf(how), warning_)) {
            Finish(ResultOf(how), warning_);
        }
        return;
    }
    Publish(QStringLiteral("verifying"));
    verifyTimer_.start(settings_.VerifyTimeoutMs);
}

double BoardFlash::ElapsedSeconds() const {
    return static_cast<double>(clock_.elapsed()) / 1000;
}

QString BoardFlash::LostPortMessage() const {
    return QStringLiteral("%1 is no longer available.").arg(settings_.Port);
}

// What the board says while it receives and programs the file is passed on line by line, not judged.
void BoardFlash::ReportBoardText(const QString& piece, bool flush) {
    QStringList lines = (boardText_ + piece).split(u'\n');
    boardText_ = flush ? QString() : lines.takeLast().right(kVerifyTextLimit);
    for (QString& line : lines) {
        if (!line.remove(u'\r').isEmpty()) {
            BoardReport report{
                .Board = settings_.Board, .Phase = phase_, .Seconds = ElapsedSeconds(), .Text = line};
            Measure(report);
            report_(report);
        }
    }
}

// The final reset restarts the board: its boot loader, then the program just flashed, announce themselves.
void BoardFlash::Verify(const QString& piece) {
    if (!verifyTimer_.isActive()) {
        return;
    }
    verifyText_.append(piece);
    for (const Banner& banner : kApplicationBanners) {
        if (verifyText_.contains(banner.Marker)) {
            banner_ = QString::fromLatin1(banner.Program);
            Finish(BoardResult::Flashed);
            return;
        }
    }
    if (verifyText_.contains(kBootLoaderBanner)) {
        banner_ = QStringLiteral("boot loader");
    }
    if (verifyText_.size() > kVerifyTextLimit) {
        verifyText_.remove(0, verifyText_.size() - kVerifyTextLimit);
    }
}

void BoardFlash::Publish(const QString& phase) {
    phase_ = phase;
    BoardReport report{.Board = settings_.Board, .Phase = phase, .Seconds = ElapsedSeconds()};
    Measure(report);
    report_(report);
}

void BoardFlash::Measure(BoardReport& report) const {
    report.Try = try_;
    report.Device = device_;
    report.Time = QDateTime::currentDateTimeUtc();
    if (!engine_) {
        return;
    }
    const DownloadState& state = engine_->State;
    constexpr qint64 kBlock = DownloadEngine::kBlockSize;
    report.Progress = state.DownloadProgressValue;
    report.Sent = state.DownloadSent;
    report.Length = (state.DownloadLength + kBlock - 1) / kBlock * kBlock;
    report.FileLength = state.DownloadLength;
}

// The port is closed at once: the next run may open it.
void BoardFlash::Finish(BoardResult result, const QString& message) {
    if (done_) {
        return;
    }
    done_ = true;
    verifyTimer_.stop();
    BoardReport report{.Board = settings_.Board,
                       .Phase = QStringLiteral("done"),
                       .Seconds = ElapsedSeconds(),
                       .Done = true,
                       .Result = result,
                       .Message = message,
                       .Banner = banner_};
    Measure(report);
    if (engine_) {
        engine_->Shutdown();
    }
    if (port_) {
        port_->OnComm = nullptr;
        DrainOutput();
        port_->Close();
    }
    report_(report);
}

// What is still queued (the reset after an abort follows the blocks already queued) goes out before the port
// closes: a close drops it.
void BoardFlash::DrainOutput() {
    QSerialPort& serial = port_->Port();
    const QDeadlineTimer deadline(kDrainMs);
    while (serial.isOpen() && serial.bytesToWrite() > 0 && !deadline.hasExpired()) {
        serial.waitForBytesWritten(static_cast<int>(deadline.remainingTime()));
    }
}
