#include "link/QtSerialPort.h"

#include "link/ComPorts.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace {

constexpr int kDrainPollMs = 5;  // how often a set send threshold is checked while output waits

#ifdef Q_OS_WIN
constexpr QIODevice::OpenMode kQtOpenMode = QIODevice::ReadWrite;
#else
// Qt only writes: whether its reading takes a hung-up terminal for an error depends on its version, and where
// it does not, its read notifier fires endlessly.
constexpr QIODevice::OpenMode kQtOpenMode = QIODevice::WriteOnly;
#endif

QString SystemError() {
#ifdef Q_OS_WIN
    return {};
#else
    return QString::fromLocal8Bit(std::strerror(errno));
#endif
}

bool MayOpen(const QString& path) {
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return true;  // Windows denies a port only while another program has it open
#else
    return ::access(QFile::encodeName(path).constData(), R_OK | W_OK) == 0;
#endif
}

OpenStatus StatusOf(QSerialPort::SerialPortError error, const QString& path) {
    switch (error) {
        case QSerialPort::NoError:
            return OpenStatus::Opened;
        // Qt reports alike a lock file or exclusive use (EBUSY) of another program and a device node this
        // user may not open (EACCES); only the latter fails the access check.
        case QSerialPort::PermissionError:
            return MayOpen(path) ? OpenStatus::Busy : OpenStatus::Denied;
        case QSerialPort::OpenError:  // already open
            return OpenStatus::Busy;
        case QSerialPort::DeviceNotFoundError:
            return OpenStatus::Missing;
        default:
            return OpenStatus::Failed;
    }
}

}  // namespace

QtSerialPort::QtSerialPort(QObject* parent) : QObject(parent) {
    PendingOutput = [this] { return QueuedInQtAndKernel(); };
    drainTimer_.setTimerType(Qt::PreciseTimer);
    drainTimer_.setInterval(kDrainPollMs);
    connect(&drainTimer_, &QTimer::timeout, this, &QtSerialPort::CheckSendThreshold);
    gatherTimer_.setSingleShot(true);
    gatherTimer_.setTimerType(Qt::PreciseTimer);
    connect(&gatherTimer_, &QTimer::timeout, this, &QtSerialPort::ResumeReading);
#ifdef Q_OS_WIN
    connect(&port_, &QSerialPort::readyRead, this, [this] {
        if (!readingPaused_) {
            HandleReadable();
        }
    });
#else
    connect(&readNotifier_, &QSocketNotifier::activated, this, &QtSerialPort::HandleReadable);
#endif
    connect(&port_, &QSerialPort::bytesWritten, this, &QtSerialPort::CheckSendThreshold);
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::HandleError);
}

QtSerialPort::~QtSerialPort() {
    QtSerialPort::Close();  // this class's own Close: a subclass is already gone by now
}

void QtSerialPort::SetPortNumber(int comNumber) {
    comNumber_ = comNumber;
}

QString QtSerialPort::DevicePath(int comNumber) const {
    return ComDevicePath(comNumber);
}

OpenResult QtSerialPort::Open() {
    const QString path = ComDevicePath(comNumber_);
    if (path.isEmpty() && !port_.isOpen()) {
        return {OpenStatus::Missing, tr("COM%1 does not exist on this machine.").arg(comNumber_)};
    }
    return OpenDevice(path);
}

DeviceIdentity QtSerialPort::Identify() const {
    return IdentifyDevice(openedPath_);
}

OpenResult QtSerialPort::Reopen(const DeviceIdentity& device) {
    const QString path = LocateDevice(device);
    if (path.isEmpty()) {
        return {OpenStatus::Missing, tr("%1 is not attached.").arg(device.Name)};
    }
    return OpenDevice(path);
}

OpenResult QtSerialPort::OpenDevice(const QString& path) {
    if (port_.isOpen()) {
        return {OpenStatus::Busy, tr("The port is already open.")};
    }
#ifndef Q_OS_WIN
    if (!QFileInfo::exists(path)) {
        return {OpenStatus::Missing, tr("%1 does not exist.").arg(path)};
    }
#endif
    port_.setPortName(path);
    if (!port_.open(kQtOpenMode)) {
        OpenResult result{StatusOf(port_.error(), path), port_.errorString()};
        port_.clearError();
        return result;
    }
    // The console is a plain 3-wire link (TxD, RxD, ground): no hardware or software flow control, since
    // XON/XOFF would swallow bytes of the program file and RTS/CTS are not wired. DTR and RTS are left as the
    // system sets them on open; the board ignores them.
    const bool configured = port_.setBaudRate(QSerialPort::Baud57600) &&
                            port_.setDataBits(QSerialPort::Data8) && port_.setParity(QSerialPort::NoParity) &&
                            port_.setStopBits(QSerialPort::OneStop) &&
                            port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured || !OpenReadSide(path)) {
        OpenResult result{OpenStatus::Failed, configured ? SystemError() : port_.errorString()};
        Close();
        return result;
    }
    // Bytes left in the driver from before the open are not the board's answer to anything of ours.
    port_.clear();
    input_.clear();
    announced_ = readTotal_;
    openedPath_ = path;
    SetReading(true);
    return {OpenStatus::Opened, {}, path};
}

#ifdef Q_OS_WIN
bool QtSerialPort::OpenReadSide(const QString&) {
    return true;
}

void QtSerialPort::CloseReadSide() {}

bool QtSerialPort::ReadAvailable() {
    const QByteArray piece = port_.readAll();
    input_ += piece;
    readTotal_ += piece.size();
    return true;  // Qt reports a lost port as a resource error
}

void QtSerialPort::SetReading(bool enabled) {
    readingPaused_ = !enabled;
    if (enabled && port_.bytesAvailable() > 0) {
        HandleReadable();  // what Qt read during the pause
    }
}
#else
// A second descriptor of the terminal, read only. Qt's own has exclusive use of the terminal, which would
// refuse this open, so that is lifted for its duration.
bool QtSerialPort::OpenReadSide(const QString& path) {
    const int qtHandle = static_cast<int>(port_.handle());
#ifdef TIOCEXCL
    ::ioctl(qtHandle, TIOCNXCL);
#endif
    readFd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const int openError = errno;
#ifdef TIOCEXCL
    ::ioctl(qtHandle, TIOCEXCL);
#endif
    if (readFd_ < 0) {
        errno = openError;  // for the description of the failure
        return false;
    }
    // Qt switches the receiver on only for ports it reads itself.
    termios line{};
    if (::tcgetattr(readFd_, &line) == 0 && (line.c_cflag & CREAD) == 0) {
        line.c_cflag |= CREAD;
        ::tcsetattr(readFd_, TCSANOW, &line);
    }
    readNotifier_.setSocket(readFd_);
    return true;
}

void QtSerialPort::CloseReadSide() {
    if (readFd_ >= 0) {
        readNotifier_.setEnabled(false);
        ::close(readFd_);
        readFd_ = -1;
    }
}

// Reads what the terminal holds into the input; false once it has hung up (end of file, or any error but
// "nothing yet"), so that a dead terminal, which is always readable, is never polled again.
bool QtSerialPort::ReadAvailable() {
    constexpr qsizetype kChunk = 32 * 1024;
    for (;;) {
        const qsizetype held = input_.size();
        input_.resize(held + kChunk);
        const ssize_t count = ::read(readFd_, input_.data() + held, kChunk);
        const int error = errno;
        input_.resize(held + std::max<qsizetype>(count, 0));
        if (count > 0) {
            readTotal_ += count;
            if (count < kChunk) {
                return true;
            }
        } else if (count < 0 && error != EINTR) {
            return error == EAGAIN || error == EWOULDBLOCK;
        } else if (count == 0) {
            return false;
        }
    }
}

void QtSerialPort::SetReading(bool enabled) {
    readNotifier_.setEnabled(enabled && readFd_ >= 0);
}
#endif

void QtSerialPort::Close() {
    ClosePort();
    input_.clear();
}

// Closes both sides of the port; what was read stays to be taken.
void QtSerialPort::ClosePort() {
    drainTimer_.stop();
    gatherTimer_.stop();
    aboveThreshold_ = false;
    CloseReadSide();
    if (port_.isOpen()) {
        port_.close();
    }
}

bool QtSerialPort::IsOpen() const {
    return port_.isOpen();
}

bool QtSerialPort::Send(const QByteArray& bytes) {
    if (!port_.isOpen()) {
        return false;
    }
    const bool queued = port_.write(bytes) == bytes.size();
    CheckSendThreshold();
    return queued;
}

QByteArray QtSerialPort::ReadInput() {
    QByteArray piece;
    piece.swap(input_);
    return piece;
}

void QtSerialPort::SetSendThreshold(int characters) {
    sendThreshold_ = characters > 0 ? characters : 0;
    aboveThreshold_ = false;
    if (sendThreshold_ == 0) {
        drainTimer_.stop();
        return;
    }
    CheckSendThreshold();
}

qint64 QtSerialPort::QueuedInQtAndKernel() const {
    qint64 pending = port_.bytesToWrite();
#ifdef Q_OS_LINUX
    int inKernel = 0;
    if (port_.isOpen() && ::ioctl(static_cast<int>(port_.handle()), TIOCOUTQ, &inKernel) == 0 &&
        inKernel > 0) {
        pending += inKernel;
    }
#endif
    return pending;
}

// Raises the send event once per fall of the waiting output from at least the threshold to below it. While
// output waits above the threshold a short timer keeps looking, because a UART drains its kernel queue
// without telling Qt.
void QtSerialPort::CheckSendThreshold() {
    if (sendThreshold_ == 0 || !port_.isOpen()) {
        drainTimer_.stop();
        return;
    }
    const bool above = PendingOutput() >= sendThreshold_;
    const bool crossed = aboveThreshold_ && !above;
    aboveThreshold_ = above;
    if (above) {
        drainTimer_.start();
    } else {
        drainTimer_.stop();
    }
    if (crossed && OnComm) {
        // Delivered from the event loop, never from inside Send(), so the handler may send again.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (sendThreshold_ > 0 && port_.isOpen() && OnComm) {
                    OnComm(CommEvent::Send);
                }
            },
            Qt::QueuedConnection);
    }
}

void QtSerialPort::HandleReadable() {
    if (ReadAvailable()) {
        Deliver();
    } else {
        Lose();
    }
}

// Raises the receive event for what has been read, then a pending loss. A handler that runs a nested event
// loop gets no second event meanwhile; what is read or lost then is delivered once it returns.
void QtSerialPort::Deliver() {
    if (inReceive_ || !OnComm) {
        return;
    }
    if (readTotal_ != announced_ && !input_.isEmpty()) {
        announced_ = readTotal_;
        inReceive_ = true;
        OnComm(CommEvent::Receive);
        inReceive_ = false;
        if (readTotal_ != announced_ || lossPending_) {
            QueueDelivery();
        } else if (port_.isOpen() && gatherTimer_.interval() > 0) {
            PauseReading();
        }
    } else if (lossPending_) {
        lossPending_ = false;
        OnComm(CommEvent::PortLost);
    }
}

void QtSerialPort::QueueDelivery() {
    QMetaObject::invokeMethod(this, &QtSerialPort::Deliver, Qt::QueuedConnection);
}

void QtSerialPort::SetReadGathering(int milliseconds) {
    gatherTimer_.setInterval(std::max(0, milliseconds));
    if (gatherTimer_.interval() == 0 && gatherTimer_.isActive()) {
        gatherTimer_.stop();
        ResumeReading();
    }
}

// Each piece that arrives would wake the tool, and a USB adapter or a pty may deliver a line a few bytes at a
// time, so after a receive event reading pauses for the gathering interval and the pieces gather in the
// driver. A terminal that hangs up meanwhile is seen when reading resumes.
void QtSerialPort::PauseReading() {
    SetReading(false);
    gatherTimer_.start();
}

void QtSerialPort::ResumeReading() {
    if (port_.isOpen()) {
        SetReading(true);
    }
}

// The port is gone. It is closed at once: on an open dead port Qt's write notifier fires endlessly. The loss
// is reported from the event loop, after whatever was read before it.
void QtSerialPort::Lose() {
    if (!port_.isOpen()) {
        return;
    }
    ClosePort();
    port_.clearError();
    lossPending_ = true;
    QueueDelivery();
}

void QtSerialPort::HandleError(QSerialPort::SerialPortError error) {
    // Failed opens report here too; only a port that is open can go away.
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError) {
        Lose();
    }
}
