#pragma once

#include "link/DeviceIdentity.h"

#include <QByteArray>
#include <QString>

#include <functional>

// Kinds of port event delivered to the window. Send and Receive keep the board console's classic numbering.
enum class CommEvent {
    Send = 1,      // fewer characters than the send threshold now wait to be sent
    Receive = 2,   // received characters are waiting
    PortLost = 3,  // the open port failed at run time (adapter unplugged, pty closed); it is already closed
};

// How an attempt to open a port ended.
enum class OpenStatus {
    Opened,
    Busy,     // the port exists but another program holds it
    Denied,   // the port exists but this user may not open it
    Missing,  // no such port on this machine (any more)
    Failed,   // any other failure
};

struct OpenResult {
    OpenStatus Status = OpenStatus::Failed;
    QString Description;  // the serial layer's description of the failure; empty when opened
    QString Device = {};  // the path opened, where the device was found; empty when not opened
};

// The one serial port of the tool: exactly the operations the window needs, so tests can fake them.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    virtual void SetPortNumber(int comNumber) = 0;  // COM 1..8, used by the next Open
    virtual QString DevicePath(int comNumber) const = 0;
    virtual OpenResult Open() = 0;
    // Names the open port's device, so that it can be found again after it was unplugged.
    virtual DeviceIdentity Identify() const = 0;
    // Opens the port on that device wherever the system has put it now; Missing while it is not attached.
    virtual OpenResult Reopen(const DeviceIdentity& device) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    virtual bool Send(const QByteArray& bytes) = 0;  // queues the bytes and returns at once; false if not queued
    virtual QByteArray ReadInput() = 0;               // everything received and not yet read
    virtual void SetSendThreshold(int characters) = 0;  // 0 switches send events off
    // After a receive event, what arrives within `milliseconds` waits for the next one, so a stream of small
    // pieces costs one event per interval instead of one per piece. 0 delivers each piece as it comes.
    virtual void SetReadGathering(int milliseconds) = 0;
    // Characters handed over but not yet on the line; a port that passes them on at once holds none.
    virtual qint64 WaitingToSend() const { return 0; }

    // A console command: the text and CR LF, in one send.
    bool SendLine(const QString& text) { return Send((text + QStringLiteral("\r\n")).toLatin1()); }

    // Events are delivered on the window's thread, one at a time, from the event loop.
    std::function<void(CommEvent)> OnComm;
};
