#pragma once

#include "app/FormState.h"
#include "app/Prompts.h"
#include "download/DownloadEngine.h"
#include "link/SerialPort.h"
#include "session/BoardSession.h"
#include "status/BoardSink.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class TerminalView;

// The tool's one window. It owns the controls and the form state; the handlers of each subsystem are defined in
// that subsystem's folder (link/, replies/, screen/, settings/). The download runs on its own engine; the
// window shows what the engine reports (app/DownloadView.cpp).
class GuiMain : public QWidget, private DownloadSink, private BoardSink, private SessionInputs {
    Q_OBJECT
public:
    // The port and the prompts outlive the window; tests pass fakes.
    GuiMain(SerialPort& port, Prompts& prompts, QWidget* parent = nullptr);
    ~GuiMain() override;

    BoardSession Session;  // the board this window shows
    FormState& State = Session.State;

    // --- Non-visual components
    QTimer TransmitTimer;
    QTimer DownloadTimer;
    QTimer TerminalSyncTimer;  // single shot, started by pieces that come faster than the view syncs
    QTimer ReopenTimer;        // runs while a lost port's device is awaited
    std::function<QDateTime()> Clock = [] { return QDateTime::currentDateTime(); };  // the times notices show
    SerialPort& MSComm1;
    Prompts& Dialog;
    DownloadEngine Download;  // runs DownloadTimer

    // --- Controls on the window
    QTabWidget* GUI_Tabs = nullptr;
    QLabel* CommPortLabel = nullptr;
    QComboBox* CommPortSelect = nullptr;
    QLabel* ProgramLabel = nullptr;
    QLineEdit* ProgramText = nullptr;
    QPushButton* ExitButton = nullptr;

    // --- Tab "Configuration"
    QGroupBox* SoftwareConfig = nullptr;
    QLabel* SoftwareLabel = nullptr;
    QLineEdit* BootLoaderText = nullptr;
    QLineEdit* ApplicationText = nullptr;
    QLabel* FirmwareLabel = nullptr;
    QLineEdit* FirmwareText = nullptr;
    QPushButton* DownloadButton = nullptr;
    QGroupBox* OpConfig = nullptr;
    QLabel* FrequencyLabel = nullptr;
    QLineEdit* FrequencyText = nullptr;
    QLabel* CdmaLabel = nullptr;
    QLineEdit* CdmaText = nullptr;
    QLabel* TimeSlotLabel = nullptr;
    QLineEdit* TimeSlotText = nullptr;
    QLabel* SfdLabel = nullptr;
    QLineEdit* SfdText = nullptr;
    QPushButton* SfdButton = nullptr;
    QLabel* V35Label = nullptr;
    QComboBox* V35Select = nullptr;
    QPushButton* V35Button = nullptr;
    QLabel* GenericLabel = nullptr;
    QComboBox* GenericSelect = nullptr;
    QPushButton* GenericButton = nullptr;
    QLineEdit* DownloadStatus = nullptr;
    QProgressBar* DownloadProgress = nullptr;

    // --- Tab "Status"
    QGroupBox* LocalStatus = nullptr;
    QLabel* BattVoltLabel = nullptr;
    QLineEdit* BattVoltText = nullptr;
    QLabel* TemperatureLabel = nullptr;
    QLineEdit* TemperatureText = nullptr;
    QGroupBox* RemoteStatus = nullptr;
    QLabel* OpStateLabel = nullptr;
    QLineEdit* OpStateText = nullptr;
    QLabel* CpeLabel = nullptr;
    QComboBox* CpeSelect = nullptr;
    QLabel* RssiLabel = nullptr;
    QLineEdit* RssiText = nullptr;
    QLabel* SfdLossLabel = nullptr;
    QLineEdit* SfdLossText = nullptr;
    QLabel* Line1Label = nullptr;
    QLineEdit* Line1Hook = nullptr;
    QLineEdit* Line1Ring = nullptr;
    QLabel* Line2Label = nullptr;
    QLineEdit* Line2Hook = nullptr;
    QLineEdit* Line2Ring = nullptr;

    // --- Tab "Terminal"
    TerminalView* TerminalText = nullptr;
    QLabel* CommandLineLabel = nullptr;
    QLineEdit* CommandLineText = nullptr;
    QPushButton* CommandLineButton = nullptr;
    QPushButton* LoggingButton = nullptr;

    // --- Window (app/)
    void Form_Load();
    void Form_Unload();
    void ExitButton_Click();
    bool Closed() const { return closed_; }  // Form_Unload has run; code resumed after a nested loop must stop
    // A control's geometry in twips, relative to its frame or, on a tab page, to the tab control. A change takes
    // effect on tab pages with the next PlaceTabPageControls.
    static QRect Twips(const QWidget* control);
    static void SetTwips(QWidget* control, const QRect& twips);
    void PlaceTabPageControls();

    // --- Port selection (link/PortSelection.cpp)
    void BuildPortList();
    void CommPortSelect_Click();
    void PortLost();
    void ReopenTimer_Timer();

    // --- Command scheduler (session/Scheduler.cpp; the operator's inputs in app/OperatorInputs.cpp)
    void TransmitTimer_Timer();
    void CommandLineButton_Click();
    void SendCommand(const QString& text);  // the text and CR LF, in one send

    // --- Receive path (link/ReceivePath.cpp)
    void MSComm1_OnComm(CommEvent event);
    void AppendToTerminal(const QString& text);
    void AssembleReplyLine(const QString& text);
    void ClearReceiveBuffer();  // forgets received text not yet cut into lines
    // Exactly the characters the view holds. Its widget catches up at most once per kTerminalSyncMs.
    QString TerminalContent() const { return terminalContent_; }
    void SyncTerminalView();  // brings the widget up to TerminalContent() now
    // The view is in sight: the Terminal tab on top of a window that is not minimised. Out of sight, the widget
    // is brought up to date only when it shows again.
    bool TerminalShowing() const;

    // --- Console log (link/ConsoleLog.cpp)
    void LoggingButton_Click();
    void AppendToLog(const QString& piece);
    void QueueForLog(const QString& piece);  // a piece just shown, logged by the next AppendQueuedToLog
    void AppendQueuedToLog();

    // --- Program detection and reply interpreters (replies/)
    // Each interpreter returns false when it abandons the line: later interpreters then do not see it.
    void InterpretReplyLine();
    bool ParseVersionReply(const QString& line);
    bool ParseSignalStrength(const QString& line);
    bool ParseSwitchSettings(const QString& line);
    bool ParseSfdLossCount(const QString& line);
    bool ParseOpStatus(const QString& line);
    bool ParseHookState(const QString& line);
    bool ParseRingState(const QString& line);
    bool ParseTemperature(const QString& line);
    bool ResetCpeStatus(int cpe);  // false (line abandoned) for a number above 3
    void ShowCpeStatus();
    const CpeStatusRecord& SelectedCpeStatus() const { return State.Board.Cpes[State.SelectedCpe]; }
    void WriteBoardField(BoardField field, const QString& text);  // keeps the fact and shows it
    void CpeSelect_Click();

    // --- Screen (screen/)
    void ApplyLayout(std::int32_t program);
    void OpStateText_Change();
    void RssiText_Change();
    void SfdLossText_Change();
    void TemperatureText_Change();

    // --- Device settings (settings/)
    bool ParseEepromReply(const QString& line);
    bool SfdText_KeyPress(int& keyAscii);  // false when the key was discarded
    void InstallSfdInputFilter();          // routes SfdText's keys and edits through the handlers above
    void SfdText_Change();
    void SfdButton_Click();
    void GenericSelect_Click();
    void GenericButton_Click();
    void V35Select_Click();
    void V35Button_Click();

    // --- Program download (app/DownloadView.cpp; the steps are the engine's)
    void DownloadButton_Click();
    void DownloadTimer_Timer();
    void EndDownload();
    void HandleBootLoaderText(const QString& piece);
    void SendNextBlock();

private:  // port selection steps (link/PortSelection.cpp)
    void PortOpened(int position, const QString& device);
    void ForgetPort();
    void ForgetBoard();
    void ReturnToDisconnect();

private:  // console log steps (link/ConsoleLog.cpp)
    void StartLogging();
    void StopLogging();
    void SendDebugLevel(const QString& command);
    void RaiseDebugLevelForLog();
    bool WriteToLogFile(const QString& text);

private:  // what the session reads from the operator (app/OperatorInputs.cpp)
    QString CommandLine() const override;
    int GenericSettingPosition() const override;
    int V35SettingPosition() const override;
    bool ConsoleInView() const override;

private:  // what the window shows of the board (app/BoardView.cpp)
    void FieldWritten(BoardField field) override;
    void ProgramEntered(std::int32_t program) override;

private:  // what the window shows of a download (app/DownloadView.cpp)
    void DownloadStarting() override;
    void DownloadStatusChanged(DownloadStep step, const QString& text) override;
    void DownloadProgressChanged(double value) override;
    void DownloadWarning(const QString& text) override;
    void DownloadEnded(DownloadEnd how) override;
    void ShowDownloadView();
    void HideDownloadView();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A widget edit per received piece costs more than the line rate leaves; text shown within 50 ms of its
    // arrival still looks immediate. A precise timer keeps that margin while pieces keep the event loop busy.
    static constexpr int kTerminalSyncMs = 30;

    void CreateControls();
    void ConnectHandlers();

    QString unloggedText_;  // shown while logging and not yet in the log file
    QString terminalContent_;
    QElapsedTimer sinceSync_;
    QElapsedTimer sincePiece_;  // since the last piece arrived
    qsizetype viewHeld_ = 0;     // characters the widget got up to its last sync
    qsizetype viewTrimmed_ = 0;  // characters trimmed from the front of terminalContent_ since then
    bool closed_ = false;
};
