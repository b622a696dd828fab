#pragma once

#include "link/DeviceIdentity.h"
#include "status/BoardStatus.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdint>

// Every piece of a board session's state that outlives one event (a download keeps its own, in DownloadEngine).
// Widths are those the board's console protocol and the counters need: 8-bit counters wrap as 8-bit values do.
struct SessionState {
    std::uint8_t GenericEepromByte = 0;     // last byte read back from (or merged into) EEPROM location 4
    std::int32_t ActiveProgram = kNoProgram;
    std::uint8_t PollTick = 0;              // scheduler tick counter, 0..9
    QString ReceiveBuffer;                  // received text not yet cut into lines
    bool SkippingLine = false;              // a line too long for the buffer was dropped; its rest goes too
    QString ReplyLine;                      // current reply line
    bool CommandPending = false;
    bool SfdUpdatePending = false;
    std::int32_t SfdValue = 0;
    bool GenericUpdatePending = false;
    bool V35UpdatePending = false;
    std::uint8_t PollStep = 0;              // status-poll cycle step, 0..10
    bool InitialReadsPending = false;
    std::uint8_t SelectedCpe = 0;           // CPE whose status the seven status fields show
    bool LoggingActive = false;
    bool TerminalDebugOff = false;          // "debug 0" sent for the current visit of the Terminal tab
    QFile LogFile;                          // open while a log file is in use
    QString PortName;                       // the port in effect, as the operator chose it; empty for none
    DeviceIdentity PortDevice;              // its device, to find it again once lost
    QStringList PortLosses;                 // when ports were lost and came back, the latest last
    qsizetype UnlistedPortLosses = 0;       // earlier losses no longer in PortLosses
    BoardStatus Board;
};
