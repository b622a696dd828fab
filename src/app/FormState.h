#pragma once

#include "replies/CpeStatus.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <array>
#include <cstdint>

// What the board is running, as far as the window knows.
enum ProgramValue : std::int32_t {
    kNoProgram = 0,
    kBootLoader = 1,
    kLineCardApp = 2,
    kCpeApp = 3,
};

// Every piece of window state that outlives one event. Widths are those the board's console protocol and
// the window's counters need: 8-bit counters wrap as 8-bit values do.
struct FormState {
    std::uint8_t GenericEepromByte = 0;     // last byte read back from (or merged into) EEPROM location 4
    std::int32_t ActiveProgram = kNoProgram;
    std::int32_t DownloadPhase = 0;         // 0 awaiting "Ready", 1 awaiting "Stopped", 2 sending / flashing
    std::int16_t PortListIndex = 0;         // CommPortSelect position in effect; -1 right after the list is built
    std::uint8_t PollTick = 0;              // scheduler tick counter, 0..9
    QString ReceiveBuffer;                  // received text not yet cut into lines
    bool SkippingLine = false;              // a line too long for the buffer was dropped; its rest goes too
    QString ReplyLine;                      // current reply line; during a download the boot-loader text
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
    bool DownloadActive = false;
    QFile DownloadFile;                     // open from the start of the transfer to the end of the download
    QByteArray DownloadBlock;               // the block last read from the program file
    std::int32_t DownloadLength = 0;
    std::int32_t DownloadSent = 0;
    std::uint8_t BootRetryCount = 0;
    QString DownloadPath;                   // the chosen program file, kept when the download starts
    QString DownloadName;                   // its name without the folder, for the status texts
    double DownloadProgressValue = 0;       // the progress as a fraction; the bar shows it rounded
    bool DownloadEnding = false;            // a warning that ends the download is open
    bool DownloadInSendEvent = false;       // a send event is being handled (it lets pending events run)
    std::uint32_t DownloadNumber = 0;       // counts the downloads started, so each can tell itself from the next
    std::array<CpeStatusRecord, kCpeCount> CpeStatus;
};
