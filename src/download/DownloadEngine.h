#pragma once

#include "download/DownloadPhase.h"
#include "link/SerialPort.h"

#include <QByteArray>
#include <QFile>
#include <QMetaObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <limits>

// How a download ended.
enum class DownloadEnd {
    Completed,     // the file was handed over and the flashing wait ran out
    Aborted,       // the front end ended it
    NotDetected,   // no "Boot Loader Ready" after two reset requests
    Unresponsive,  // no "Boot Loader Stopped" after "Boot Loader Ready"
    FileFailed,    // the file could not be opened or read, or was refused
    PortLost,      // the port went away under the download
};

// Where a download stands, as a front end shows it.
enum class DownloadStep {
    Rebooting,  // reset sent, the boot-loader handshake under way
    Sending,    // the file is being handed to the port
    Flashing,   // all handed over; the board programs its flash
};

// What a front end shows of a download. Every call comes from the engine's thread, inside one of its entry
// points.
class DownloadSink {
public:
    virtual ~DownloadSink() = default;
    virtual void DownloadStarting() = 0;  // before the first reset request is sent
    virtual void DownloadStatusChanged(DownloadStep step, const QString& text) = 0;
    virtual void DownloadProgressChanged(double value) = 0;  // 0 .. kProgressMaximum, a fraction
    // The download ends once this returns. It may run a nested event loop (a modal box).
    virtual void DownloadWarning(const QString& text) = 0;
    virtual void DownloadEnded(DownloadEnd how) = 0;  // after the final reset request was sent
};

// Everything a download keeps between events.
struct DownloadState {
    bool DownloadActive = false;
    std::int32_t DownloadPhase = kAwaitingReady;
    std::uint8_t BootRetryCount = 0;
    QString ReplyLine;              // the boot-loader text collected since it was last cleared
    QFile DownloadFile;             // open from the start of the transfer to the end of the download
    bool DownloadInMemory = false;  // the program is DownloadBytes, not the file at DownloadPath
    QByteArray DownloadBytes;       // the program given in memory
    QByteArray DownloadBlock;       // the block last read from the program file
    std::int32_t DownloadLength = 0;
    std::int32_t DownloadSent = 0;     // bytes handed to the port, whole blocks
    qint64 DownloadStartMs = 0;        // when the first block was handed to the port
    bool DownloadFlashing = false;     // the flashing wait runs: the board has every byte
    QString DownloadPath;              // the program file, kept when the download starts
    QString DownloadName;              // its name without the folder, for the status texts
    double DownloadProgressValue = 0;  // the progress as a fraction; a bar shows it rounded
    bool DownloadEnding = false;       // a warning that ends the download is open
    bool DownloadInSendEvent = false;  // a send event is being handled (it lets pending events run)
    std::uint32_t DownloadNumber = 0;  // counts the downloads started, so each can tell itself from the next
};

// One program download to one board: the reset requests and their supervision, the boot-loader handshake, the
// file in paced blocks and the flashing wait. It knows no widget: it talks to a serial port, runs one timer
// and tells a sink what to show. Events reach it from the port's owner (received pieces, send events, a lost
// port).
class DownloadEngine {
public:
    static constexpr int kProgressMaximum = 100;
    static constexpr qint64 kBlockSize = 1000;
    static constexpr int kFlashTickMs =
        400;                              // 20 ticks of 5 make the 8 s the board needs to program its flash
    static constexpr int kFlashStep = 5;  // progress added per flashing tick
    static constexpr qint64 kLineBitsPerSecond = 57600;
    static constexpr qint64 kBitsPerByte = 10;  // 8N1: a start bit, 8 data bits, a stop bit
    // DownloadSent counts whole blocks in 32 bits; a larger file could not be counted.
    static constexpr qint64 kLargestFile = std::numeric_limits<std::int32_t>::max() / kBlockSize * kBlockSize;

    // The timer is the engine's alone from now on; the port's events are delivered by its owner.
    DownloadEngine(SerialPort& port, QTimer& timer, DownloadSink& sink);
    ~DownloadEngine();
    DownloadEngine(const DownloadEngine&) = delete;
    DownloadEngine& operator=(const DownloadEngine&) = delete;

    DownloadState State;

    // Milliseconds on a monotonic clock, and the characters the port still holds back from the line;
    // replaceable so tests can drive the start of the flashing wait.
    std::function<qint64()> NowMs;
    std::function<qint64()> PendingOutput;

    bool Active() const { return State.DownloadActive; }
    // The file is read at the start of the transfer, block by block.
    void BeginDownload(const QString& path);
    // The program as bytes already read (and checked); the name is for the status texts.
    void BeginDownloadOf(const QString& name, const QByteArray& bytes);
    void DownloadTimer_Timer();
    void HandleBootLoaderText(const QString& piece);
    void SendNextBlock();
    // Every download ends here, whatever state it reached; the board is reset.
    void EndDownload(DownloadEnd how);
    // The front end goes away: the file is closed, the timer stopped, and nothing is sent any more, also by a
    // step that resumes after a nested event loop.
    void Shutdown();

private:
    void Begin();
    void SendResetRequest();
    void RestartDownloadTimer(int intervalMs);
    void WarnAndEndDownload(const QString& text, DownloadEnd how);
    void StopBootLoader();
    void StartTransfer();
    bool OpenProgram();
    bool OpenProgramFile();
    void SendBlocks(int count);
    bool SendBlock();
    QByteArray ReadBlock(qint64 wanted);
    qint64 LastByteArrivalMs() const;
    void AwaitLastByte();
    void BeginFlashWait();
    void ShowProgress(double value);
    bool RunPendingEvents();

    SerialPort& port_;
    QTimer& timer_;
    DownloadSink& sink_;
    QMetaObject::Connection tick_;
    bool shutDown_ = false;
};

// Why a program file of this length cannot be downloaded; empty when it can.
QString FileRefusal(const QString& name, qint64 length);
