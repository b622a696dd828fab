#pragma once

#include "session/SessionInputs.h"
#include "session/SessionState.h"

class SerialPort;

// One board: what the tool knows of it and how the conversation with it stands. A front end holds one for
// each board it serves.
class BoardSession {
  public:
    // The port and the inputs outlive the session.
    BoardSession(SerialPort& port, const SessionInputs& inputs) : port_(port), inputs_(inputs) {}

    SessionState State;

    // --- Command scheduler (session/Scheduler.cpp)
    void Tick();                            // one tick of the transmit timer
    void SendCommand(const QString& text);  // the text and CR LF, in one send

  private:
    void ServeCommandLine();
    void ServeSfdWrite();
    void ServeGenericWrite();
    void ServeV35Write();
    bool QuietConsole();
    void AdvancePollCycle();
    void ApplicationTick();
    void SendAll(const QStringList& commands);

    SerialPort& port_;
    const SessionInputs& inputs_;
};
