#include "link/QtSerialPort.h"

#include "link/ComPorts.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_LINUX
#include <sys/ioctl.h>
#include <termios.h>
#endif
#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {

constexpr int kDrainPollMs = 5;  // how often a set send threshold is checked while output waits

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
        // Qt reports alike a lock file or exclusive use (EBUSY) of another program and a device node this user
        // may not open (EACCES); only the latter fails the access check.
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
    connect(&port_, &QSerialPort::readyRead, this, &QtSerialPort::HandleReadyRead);
    connect(&port_, &QSerialPort::bytesWritten, this, &QtSerialPort::CheckSendThreshold);
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::HandleError);
}

QtSerialPort::~QtSerialPort() {
    QtSerialPort::Close();  // this class's own Close: a subclass is already gone by now
}

void QtSerialPort::SetPortNumber(int comNumber) { comNumber_ = comNumber; }

QString QtSerialPort::DevicePath(int comNumber) const { return ComDevicePath(comNumber); }

OpenResult QtSerialPort::Open() {
    const QString path = ComDevicePath(comNumber_);
    if (path.isEmpty() && !port_.isOpen()) {
        return {OpenStatus::Missing, tr("COM%1 does not exist on this machine.").arg(comNumber_)};
    }
    return OpenDevice(path);
}

DeviceIdentity QtSerialPort::Identify() const { return IdentifyDevice(openedPath_); }

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
    if (!port_.open(QIODevice::ReadWrite)) {
        OpenResult result{StatusOf(port_.error(), path), port_.errorString()};
        port_.clearError();
        return result;
    }
    // The console is a plain 3-wire link (TxD, RxD, ground): no hardware or software flow control, since XON/XOFF
    // would swallow bytes of the program file and RTS/CTS are not wired. DTR and RTS are left as the system sets
    // them on open; the board ignores them.
    const bool configured = port_.setBaudRate(QSerialPort::Baud57600) && port_.setDataBits(QSerialPort::Data8) &&
                            port_.setParity(QSerialPort::NoParity) && port_.setStopBits(QSerialPort::OneStop) &&
                            port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        OpenResult result{OpenStatus::Failed, port_.errorString()};
        Close();
        return result;
    }
    // Bytes left in the driver from before the open are not the board's answer to anything of ours.
    port_.clear();
    openedPath_ = path;
    return {OpenStatus::Opened, {}, path};
}

void QtSerialPort::Close() {
    drainTimer_.stop();
    gatherTimer_.stop();
    aboveThreshold_ = false;
    if (port_.isOpen()) {
        port_.close();
    }
}

bool QtSerialPort::IsOpen() const { return port_.isOpen(); }

bool QtSerialPort::Send(const QByteArray& bytes) {
    if (!port_.isOpen()) {
        return false;
    }
    const bool queued = port_.write(bytes) == bytes.size();
    CheckSendThreshold();
    return queued;
}

QByteArray QtSerialPort::ReadInput() { return port_.isOpen() ? port_.readAll() : QByteArray(); }

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
    if (port_.isOpen() && ::ioctl(static_cast<int>(port_.handle()), TIOCOUTQ, &inKernel) == 0 && inKernel > 0) {
        pending += inKernel;
    }
#endif
    return pending;
}

// Raises the send event once per fall of the waiting output from at least the threshold to below it. While output
// waits above the threshold a short timer keeps looking, because a UART drains its kernel queue without telling Qt.
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

void QtSerialPort::HandleReadyRead() {
    if (inReceive_ || !OnComm) {
        return;
    }
    inReceive_ = true;
    OnComm(CommEvent::Receive);
    inReceive_ = false;
    // readyRead is not raised again for bytes that arrived while the handler ran a nested event loop.
    if (port_.isOpen() && port_.bytesAvailable() > 0) {
        QMetaObject::invokeMethod(this, &QtSerialPort::HandleReadyRead, Qt::QueuedConnection);
    } else if (port_.isOpen() && gatherTimer_.interval() > 0) {
        PauseReading();
    }
}

void QtSerialPort::SetReadGathering(int milliseconds) {
    gatherTimer_.setInterval(std::max(0, milliseconds));
    if (gatherTimer_.interval() == 0 && gatherTimer_.isActive()) {
        gatherTimer_.stop();
        ResumeReading();
    }
}

// The port reads from the system when its read notifier fires. Each piece that arrives wakes the notifier,
// and a USB adapter or a pty may deliver a line a few bytes at a time, so while reading is paused the notifier
// is off and the pieces gather in the driver; they are read in one go when it is on again. A port without such
// a notifier (another platform's Qt) reads each piece as it comes.
QSocketNotifier* QtSerialPort::ReadNotifier() const {
    // A closed port's notifier may not be deleted yet: the live one is the newest.
    const QObjectList& children = port_.children();
    for (auto child = children.crbegin(); child != children.crend(); ++child) {
        auto* notifier = qobject_cast<QSocketNotifier*>(*child);
        if (notifier && notifier->type() == QSocketNotifier::Read && notifier->socket() == port_.handle()) {
            return notifier;
        }
    }
    return nullptr;
}

void QtSerialPort::PauseReading() {
    if (QSocketNotifier* notifier = ReadNotifier()) {
        notifier->setEnabled(false);
        gatherTimer_.start();
    }
}

void QtSerialPort::ResumeReading() {
    if (QSocketNotifier* notifier = port_.isOpen() ? ReadNotifier() : nullptr) {
        notifier->setEnabled(true);
    }
}

void QtSerialPort::HandleError(QSerialPort::SerialPortError error) {
    // Failed opens report here too; only a port that is open can go away. A hung-up terminal reads as end of file,
    // which Qt reports as a read error, again and again until something is written: the port is gone all the same.
    const bool gone = error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
    if (!gone || !port_.isOpen()) {
        return;
    }
    // Close before anything else runs: an open dead port makes the write notifier fire endlessly.
    Close();
    port_.clearError();
    if (OnComm) {
        QMetaObject::invokeMethod(
            this, [this] { OnComm(CommEvent::PortLost); }, Qt::QueuedConnection);
    }
}
