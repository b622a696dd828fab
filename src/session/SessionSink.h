#pragma once

#include "download/DownloadEngine.h"
#include "status/BoardSink.h"

#include <QString>

// Everything a front end hears of its board's session. Each call comes synchronously from the code that made
// the change, in the order it made them, so a front end may show it at once; a call may run a nested event
// loop.
class SessionSink : public BoardSink, public DownloadSink {
  public:
    // A piece as it came from the port, before its lines are read.
    virtual void TextReceived(const QString& piece) = 0;
    // The port failed under the session and the board is forgotten. An awaited device is opened again as
    // soon as it is back; otherwise the session no longer has a port.
    virtual void PortLost(const QString& notice, bool awaited) = 0;
    virtual void PortBack(const QString& device, const QString& notice) = 0;
    // The log file could not be written: logging has stopped.
    virtual void LogFailed(const QString& message) = 0;

  protected:
    ~SessionSink() = default;
};
