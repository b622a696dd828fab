#pragma once

#include "download/DownloadEngine.h"
#include "flash/BoardDevice.h"
#include "flash/BoardResult.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class QtSerialPort;

// What a board's flashing has reached; sent to the front end at every change.
struct BoardReport {
    int Board = 0;  // the board's place on the command line, from 0
    // "opening", "rebooting", "sending", "flashing", "verifying", "retrying", "done"
    QString Phase;
    double Progress = 0;    // the engine's progress, 0..100
    qint64 Sent = 0;        // bytes handed to the port, filler included
    qint64 Length = 0;      // bytes to send: the file and the filler of its last block
    qint64 FileLength = 0;  // the file's own bytes among them
    double Seconds = 0;     // since the board's start
    bool Done = false;
    BoardResult Result = BoardResult::Flashed;  // also the failure a "retrying" report tries again after
    QString Message{};                          // the warning or failure behind a result other than Flashed
    QString
        Banner{};  // the program that started after the final reset: "Line Card", "CPE", "boot loader" or ""
    int Try = 1;
    QString Text{};  // a line the board wrote during the transfer or the flashing wait; only that is new
    BoardDevice Device{};  // known once the port is open
    QDateTime Time{};      // UTC
};

// Flashes one board on one port: the window's download engine, its own serial port and timers. It lives in a
// thread of its own, so its nested event loops and a stalled board hold no other board.
class BoardFlash : public QObject, private DownloadSink {
    Q_OBJECT
public:
    struct Settings {
        int Board = 0;
        QString Port;             // a device path or "COMn"
        QString ProgramName;      // for the status texts
        QByteArray Program;       // the bytes every try sends
        int VerifyTimeoutMs = 0;  // 0: no wait for the application's banner
        int Retries = 0;          // further tries after a board that did not answer
    };
    // Every report is handed to this, on the board's thread.
    BoardFlash(Settings settings, std::function<void(const BoardReport&)> report);
    ~BoardFlash() override;

    // Both run on the board's thread.
    void Start();
    void Interrupt();  // aborts as the window's abort does: the board is reset

private:
    void DownloadStarting() override {}
    void DownloadStatusChanged(DownloadStep step, const QString& text) override;
    void DownloadProgressChanged(double value) override;
    void DownloadWarning(const QString& text) override;
    void DownloadEnded(DownloadEnd how) override;

    void OnComm(CommEvent event);
    void ReportBoardText(const QString& piece, bool flush);
    void Verify(const QString& piece);
    bool Retry(BoardResult result, const QString& message);
    QString LostPortMessage() const;
    double ElapsedSeconds() const;
    void Publish(const QString& phase);
    void DrainOutput();
    void Measure(BoardReport& report) const;
    void Finish(BoardResult result, const QString& message = {});

    Settings settings_;
    std::function<void(const BoardReport&)> report_;
    std::unique_ptr<QtSerialPort> port_;
    QTimer downloadTimer_{this};  // children, so they move to the board's thread with it
    QTimer verifyTimer_{this};
    std::unique_ptr<DownloadEngine> engine_;
    QElapsedTimer clock_;
    QString phase_;
    QString warning_;
    QString verifyText_;  // what the board said after the final reset, a bounded tail
    QString banner_;
    QString boardText_;  // an unfinished line the board wrote during the transfer
    BoardDevice device_;
    int try_ = 1;
    bool done_ = false;
};
