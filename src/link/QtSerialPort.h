#pragma once

#include "link/SerialPort.h"

#include <QObject>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTimer>

#include <functional>

// The production serial port: QSerialPort at 57600 8N1, no flow control. QSerialPort opens, configures and
// writes the port; the adapter reads it itself, since Qt versions differ in whether a hung-up terminal is an
// error.
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
    qint64 WaitingToSend() const override { return PendingOutput(); }

    // Characters still waiting to be sent; replaceable so tests can drive the send event.
    std::function<qint64()> PendingOutput;

    // Characters received and not yet read.
    qint64 InputAvailable() const { return input_.size(); }
    QSerialPort& Port() { return port_; }

  private:
    bool OpenReadSide(const QString& path);
    void CloseReadSide();
    void ClosePort();
    bool ReadAvailable();
    void HandleReadable();
    void Deliver();
    void QueueDelivery();
    void SetReading(bool enabled);
    void PauseReading();
    void ResumeReading();
    void Lose();
    void HandleError(QSerialPort::SerialPortError error);
    void CheckSendThreshold();
    qint64 QueuedInQtAndKernel() const;

    QSerialPort port_;
    int comNumber_ = 0;
    QString openedPath_;  // the path of the last open, as given
    int sendThreshold_ = 0;
    bool aboveThreshold_ = false;
    QByteArray input_;      // read from the port, not yet taken by ReadInput
    qint64 readTotal_ = 0;  // bytes read since construction
    qint64 announced_ = 0;  // readTotal_ when the last receive event was raised
    bool inReceive_ = false;
    bool lossPending_ = false;  // the port is gone and the loss not yet reported
#ifdef Q_OS_WIN
    bool readingPaused_ = false;
#else
    int readFd_ = -1;
    QSocketNotifier readNotifier_{QSocketNotifier::Read};
#endif
    QTimer drainTimer_;
    QTimer gatherTimer_;  // single shot: reading is paused while it runs
};
