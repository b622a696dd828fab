#pragma once

#include "link/SerialPort.h"

#include <QObject>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTimer>

#include <functional>

// The production serial port: QSerialPort at 57600 8N1, no flow control.
class QtSerialPort : public QObject, public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPort(QObject* parent = nullptr);
    ~QtSerialPort() override;

    void SetPortNumber(int comNumber) override;
    QString DevicePath(int comNumber) const override;
    OpenResult Open() override;
    // Opens a device by its path rather than its COM number, as Open does otherwise.
    OpenResult OpenDevice(const QString& path);
    DeviceIdentity Identify() const override;
    OpenResult Reopen(const DeviceIdentity& device) override;
    void Close() override;
    bool IsOpen() const override;
    bool Send(const QByteArray& bytes) override;
    QByteArray ReadInput() override;
    void SetSendThreshold(int characters) override;
    void SetReadGathering(int milliseconds) override;

    // Characters still waiting to be sent; replaceable so tests can drive the send event.
    std::function<qint64()> PendingOutput;

    QSerialPort& Port() { return port_; }

private:
    void HandleReadyRead();
    QSocketNotifier* ReadNotifier() const;
    void PauseReading();
    void ResumeReading();
    void HandleError(QSerialPort::SerialPortError error);
    void CheckSendThreshold();
    qint64 QueuedInQtAndKernel() const;

    QSerialPort port_;
    int comNumber_ = 0;
    QString openedPath_;  // the path of the last open, as given
    int sendThreshold_ = 0;
    bool aboveThreshold_ = false;
    bool inReceive_ = false;
    QTimer drainTimer_;
    QTimer gatherTimer_;  // single shot: reading is paused while it runs
};
