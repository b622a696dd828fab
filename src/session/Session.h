#pragma once

#include "download/DownloadEngine.h"
#include "link/SerialPort.h"
#include "session/SessionInputs.h"
#include "session/SessionSink.h"
#include "session/SessionState.h"

#include <QDateTime>
#include <QTimer>

#include <functional>
#include <optional>

// One board, windowless: its port and the watch for a lost one, the command scheduler, the receive path, the
// console log and the program download. A front end holds one for each board it serves, answers its inputs and
// hears everything through its sink.
class Session : private DownloadSink {
  public:
    // The port, the inputs and the sink outlive the session. The session takes the port's events.
    Session(SerialPort& port, const SessionInputs& inputs, SessionSink& sink);
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    SessionState State;
    QTimer TransmitTimer;
    QTimer DownloadTimer;
    QTimer ReopenTimer;  // runs while a lost port's device is awaited
    std::function<QDateTime()> Clock = [] { return QDateTime::currentDateTime(); };  // the times notices show
    SerialPort& Port;
    DownloadEngine Download;  // runs DownloadTimer

    // --- Life (session/Session.cpp)
    void Start();  // the board is unknown and the scheduler runs
    // Everything stops: what was received is logged, the log and the port are closed, a download is shut
    // down. Code that resumes after a nested event loop does nothing any more.
    void Close();
    bool Closed() const { return closed_; }
    // The board now runs this program: what was known of the previous one is reset and the front end told.
    void EnterProgram(std::int32_t program);

    // --- Port (session/PortWatch.cpp)
    OpenResult OpenPort(int comNumber);   // a failed open leaves the port closed
    void PortOpened(const QString& name);  // the port just opened is in effect under that name
    void NoPortInEffect();
    void ForgetPort();  // closes the port and forgets the board
    void ForgetBoard();
    void PortLost();
    void ReopenTimer_Timer();

    // --- Command scheduler (session/Scheduler.cpp)
    void Tick();                            // one tick of the transmit timer
    void SendCommand(const QString& text);  // the text and CR LF, in one send

    // --- Receive path (session/ReceivePath.cpp)
    void OnComm(CommEvent event);
    void AssembleReplyLine(const QString& text);
    void ClearReceiveBuffer();  // forgets received text not yet cut into lines

    // --- Console log (session/ConsoleLog.cpp)
    // Appends to the file; why it could not be opened, if it could not.
    std::optional<QString> StartLogging(const QString& path);
    void StopLogging();
    void AppendToLog(const QString& piece);
    void QueueForLog(const QString& piece);  // a piece just received, logged by the next AppendQueuedToLog
    void AppendQueuedToLog();

    // --- Program detection and reply interpreters (replies/)
    // Each interpreter returns false when it abandons the line: later interpreters then do not see it.
    void InterpretReplyLine();
    bool ParseVersionReply(const QString& line);
    bool ParseSignalStrength(const QString& line);
    bool ParseSwitchSettings(const QString& line);
    bool ParseEepromReply(const QString& line);
    bool ParseSfdLossCount(const QString& line);
    bool ParseOpStatus(const QString& line);
    bool ParseHookState(const QString& line);
    bool ParseRingState(const QString& line);
    bool ParseTemperature(const QString& line);
    bool ResetCpeStatus(int cpe);  // false (line abandoned) for a number above 3
    void ShowCpeStatus();
    void SelectCpe(int position);  // the CPE whose status the status fields show; out of range is ignored
    const CpeStatusRecord& SelectedCpeStatus() const { return State.Board.Cpes[State.SelectedCpe]; }
    void WriteBoardField(BoardField field, const QString& text);  // keeps the fact and tells the front end

  private:
    // Scheduler steps
    void ServeCommandLine();
    void ServeSfdWrite();
    void ServeGenericWrite();
    void ServeV35Write();
    bool QuietConsole();
    void AdvancePollCycle();
    void ApplicationTick();
    void SendAll(const QStringList& commands);

    // Program entry steps (session/ProgramEntry.cpp)
    void ResetBoardForNoProgram();
    void ResetBoardForBootLoader();
    void ResetBoardForApplication(bool servesCpes);
    void ResetLinkStatus();
    void DropPendingSettings();

    // Console log steps
    void SendDebugLevel(const QString& command);
    void RaiseDebugLevelForLog();
    bool WriteToLogFile(const QString& text);

    // What a download does to the session, and what the front end shows of it
    void DownloadStarting() override;
    void DownloadStatusChanged(DownloadStep step, const QString& text) override;
    void DownloadProgressChanged(double value) override;
    void DownloadWarning(const QString& text) override;
    void DownloadEnded(DownloadEnd how) override;

    const SessionInputs& inputs_;
    SessionSink& sink_;
    QString unloggedText_;  // received while logging and not yet in the log file
    bool closed_ = false;
};
