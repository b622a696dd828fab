#pragma once

#include "QtPrinters.h"
#include "link/SerialPort.h"

#include <QByteArray>
#include <QList>
#include <QTimer>

#include <map>

// A serial port that records every send and lets a test deliver received pieces and send events. It gathers
// reads as the real port does: while gathering is set, pieces delivered within the interval after a receive
// event wait for one event at its end.
class FakeSerialPort : public SerialPort {
  public:
    FakeSerialPort();

    // What Open answers for each COM number; a number not listed does not exist.
    std::map<int, OpenResult> Ports;
    QList<QByteArray> Sends;  // one entry per send operation, in order
    QByteArray Input;         // received and not yet read
    QList<int> OpenedPorts;   // every successful open, in order
    // The device now behind each COM number where it is named otherwise than by its path. A reopen finds its
    // device behind whichever existing number (see Ports) it is now, as an adapter comes back as another tty.
    std::map<int, DeviceIdentity> Devices;
    int PortNumber = 0;
    int SendThreshold = 0;
    bool PortOpen = false;
    int GatherMs = 0;
    QTimer GatherTimer;  // single shot, runs for the interval after each receive event

    void SetPortNumber(int comNumber) override { PortNumber = comNumber; }
    QString DevicePath(int comNumber) const override { return QStringLiteral("/dev/fake%1").arg(comNumber); }
    OpenResult Open() override;
    DeviceIdentity Identify() const override;
    DeviceIdentity IdentityOf(int comNumber) const;
    OpenResult Reopen(const DeviceIdentity& device) override;
    void Close() override;
    bool IsOpen() const override { return PortOpen; }
    bool Send(const QByteArray& bytes) override;
    QByteArray ReadInput() override;
    void SetSendThreshold(int characters) override { SendThreshold = characters; }
    void SetReadGathering(int milliseconds) override;

    // Makes the ports 1..n exist and open normally.
    void AddPorts(int count);
    // Delivers a received piece as one receive event, or holds it while the gathering interval runs.
    void Receive(const QByteArray& piece);
    // Delivers a piece that comes after a quiet spell, when the gathering interval is over.
    void ReceiveLater(const QByteArray& piece);
    // Ends the gathering interval now, as its timer does: the pieces held meanwhile come as one receive
    // event.
    void EndGathering();
    // Raises one send event.
    void RaiseSendEvent();
    // The port fails under the window.
    void Lose();
    // Every byte sent so far, and the sends as text for readable failures.
    QByteArray SentBytes() const;
    QStringList SentTexts() const;
    void ClearSends() { Sends.clear(); }

  private:
    void RaiseReceiveEvent();

    bool held_ = false;  // pieces wait for the end of the interval
};
