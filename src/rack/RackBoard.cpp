#include "rack/RackBoard.h"

#include "link/ComPorts.h"

namespace {

constexpr int kRetryMs = 1000;
// Pieces that come within this time are read together: one wake-up per board and interval, not per piece.
constexpr int kGatheringMs = 30;

}  // namespace

RackBoard::RackBoard(const QString& name, const QString& port, BoardListener& listener)
    : name_(name), portName_(port), listener_(listener), session_(port_, *this, *this) {
    retryTimer_.setInterval(kRetryMs);
    QObject::connect(&retryTimer_, &QTimer::timeout, [this] { TryOpen(); });
    port_.SetReadGathering(kGatheringMs);
}

RackBoard::~RackBoard() {
    Stop();
}

void RackBoard::Start() {
    for (int cpe = 0; cpe < kCpeCount; ++cpe) {
        session_.ResetCpeStatus(cpe);
    }
    session_.EnterProgram(kNoProgram);
    session_.Start();
    TryOpen();
    if (!port_.IsOpen()) {
        retryTimer_.start();
    }
}

void RackBoard::Stop() {
    retryTimer_.stop();
    if (!session_.Closed()) {
        session_.Close();
    }
}

void RackBoard::TryOpen() {
    const std::optional<int> com = ComNumberOf(portName_);
    const OpenResult result = com ? session_.OpenPort(*com) : port_.OpenDevice(portName_);
    if (result.Status != OpenStatus::Opened) {
        return;
    }
    retryTimer_.stop();
    session_.PortOpened(name_);
    listener_.PortOpened(*this);
}

void RackBoard::FieldWritten(BoardField field) {
    measured_[static_cast<int>(field)] = true;  // entering a program writes its fields before it is told
    QString& told = told_[static_cast<int>(field)];
    const QString& text = session_.State.Board.Text(field);
    if (told == text && !told.isNull()) {
        return;
    }
    told = text.isNull() ? QStringLiteral("") : text;
    listener_.FieldChanged(*this, field);
}

void RackBoard::ProgramEntered(std::int32_t program) {
    const bool rebooted = program == kBootLoader && (program_ == kLineCardApp || program_ == kCpeApp);
    program_ = program;
    measured_ = {};
    listener_.ProgramChanged(*this, program);
    if (rebooted) {
        listener_.Rebooted(*this);
    }
}

void RackBoard::TextReceived(const QString& piece) {
    listener_.Received(*this, piece.toLatin1());
}

// A device the session recognises when it is back is awaited by the session. Any other (a terminal, an
// adapter without serial number on an unknown USB port) is opened again by the name it was given: that is
// what the rack was told to watch.
void RackBoard::PortLost(const QString& /*notice*/, bool awaited) {
    if (!awaited) {
        retryTimer_.start();
    }
    listener_.PortLost(*this);
}

void RackBoard::PortBack(const QString& /*device*/, const QString& /*notice*/) {
    listener_.PortOpened(*this);
}
