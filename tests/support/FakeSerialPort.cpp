#include "FakeSerialPort.h"

#include <algorithm>

FakeSerialPort::FakeSerialPort() {
    GatherTimer.setSingleShot(true);
    QObject::connect(&GatherTimer, &QTimer::timeout, [this] { EndGathering(); });
}

OpenResult FakeSerialPort::Open() {
    const auto port = Ports.find(PortNumber);
    if (port == Ports.end()) {
        return {OpenStatus::Missing, QStringLiteral("No such port")};
    }
    OpenResult result = port->second;
    if (result.Status == OpenStatus::Opened) {
        PortOpen = true;
        OpenedPorts << PortNumber;
        result.Device = DevicePath(PortNumber);
    }
    return result;
}

DeviceIdentity FakeSerialPort::Identify() const {
    return IdentityOf(PortNumber);
}

DeviceIdentity FakeSerialPort::IdentityOf(int comNumber) const {
    const auto device = Devices.find(comNumber);
    return device != Devices.end() ? device->second
                                   : DeviceIdentity{DeviceIdentity::Kind::Path, DevicePath(comNumber)};
}

OpenResult FakeSerialPort::Reopen(const DeviceIdentity& device) {
    for (const auto& port : Ports) {
        if (IdentityOf(port.first) == device) {
            PortNumber = port.first;
            return Open();
        }
    }
    return {OpenStatus::Missing, QStringLiteral("Not attached")};
}

void FakeSerialPort::Close() {
    PortOpen = false;
    GatherTimer.stop();
    held_ = false;
}

bool FakeSerialPort::Send(const QByteArray& bytes) {
    if (!PortOpen) {
        return false;
    }
    Sends << bytes;
    return true;
}

QByteArray FakeSerialPort::ReadInput() {
    QByteArray piece;
    piece.swap(Input);
    return piece;
}

void FakeSerialPort::AddPorts(int count) {
    for (int comNumber = 1; comNumber <= count; ++comNumber) {
        Ports[comNumber] = {OpenStatus::Opened, {}};
    }
}

void FakeSerialPort::SetReadGathering(int milliseconds) {
    GatherMs = std::max(0, milliseconds);
    if (GatherMs == 0) {
        EndGathering();
    }
}

void FakeSerialPort::Receive(const QByteArray& piece) {
    Input += piece;
    if (GatherTimer.isActive()) {
        held_ = true;
    } else {
        RaiseReceiveEvent();
    }
}

void FakeSerialPort::ReceiveLater(const QByteArray& piece) {
    EndGathering();
    Receive(piece);
}

void FakeSerialPort::EndGathering() {
    GatherTimer.stop();
    if (held_) {
        held_ = false;
        RaiseReceiveEvent();
    }
}

// The interval starts before the handler runs: what comes while it runs is held, as no receive event nests.
void FakeSerialPort::RaiseReceiveEvent() {
    if (GatherMs > 0) {
        GatherTimer.start(GatherMs);
    }
    if (OnComm) {
        OnComm(CommEvent::Receive);
    }
}

void FakeSerialPort::RaiseSendEvent() {
    if (OnComm) {
        OnComm(CommEvent::Send);
    }
}

void FakeSerialPort::Lose() {
    EndGathering();  // what came before the loss is read first
    PortOpen = false;
    if (OnComm) {
        OnComm(CommEvent::PortLost);
    }
}

QByteArray FakeSerialPort::SentBytes() const {
    return Sends.join();
}

QStringList FakeSerialPort::SentTexts() const {
    QStringList texts;
    for (const QByteArray& bytes : Sends) {
        texts << QString::fromLatin1(bytes);
    }
    return texts;
}
