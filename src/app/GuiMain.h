#pragma once

#include "app/Prompts.h"
#include "session/Session.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class TerminalView;

// The tool's one window: one front end of a board session. It owns the controls, binds them to the session,
// shows what the session reports and asks the engineer what only the engineer can answer.
class GuiMain : public QWidget, private SessionSink, private SessionInputs {
    Q_OBJECT
public:
    // The port and the prompts outlive the window; tests pass fakes.
    GuiMain(SerialPort& port, Prompts& prompts, QWidget* parent = nullptr);
    ~GuiMain() override;

    ::Session Session;  // the board this window shows
    std::int16_t PortListIndex = 0;  // port list position in effect; -1 right after the list is built

    // --- Non-visual components
    QTimer TerminalSyncTimer;  // single shot, started by pieces that come faster than the view syncs
    Prompts& Dialog;

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

    // --- Port choice (app/PortChoice.cpp)
    void BuildPortList();
    void CommPortSelect_Click();

    // --- Operator's requests (app/OperatorInputs.cpp)
    void CommandLineButton_Click();

    // --- Terminal feed (app/TerminalFeed.cpp)
    void AppendToTerminal(const QString& text);
    // Exactly the characters the view holds. Its widget catches up at most once per kTerminalSyncMs.
    QString TerminalContent() const { return terminalContent_; }
    void SyncTerminalView();  // brings the widget up to TerminalContent() now
    // The view is in sight: the Terminal tab on top of a window that is not minimised. Out of sight, the widget
    // is brought up to date only when it shows again.
    bool TerminalShowing() const;

    // --- Console log (app/Logging.cpp)
    void LoggingButton_Click();

    // --- Board status (app/BoardView.cpp, app/Layouts.cpp, app/StatusColours.cpp)
    void ApplyLayout(std::int32_t program);  // the controls a program's layout shows, after the session's reset
    void CpeSelect_Click();
    void OpStateText_Change();
    void RssiText_Change();
    void SfdLossText_Change();
    void TemperatureText_Change();

    // --- Device settings (app/SettingsEditing.cpp, app/SfdInput.cpp)
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

private:  // port choice steps (app/PortChoice.cpp)
    void PortOpened(int position, const QString& device);
    void SetPortInEffect(int position);
    void ForgetPort();
    void ReturnToDisconnect();
    void PortLost(const QString& notice, bool awaited) override;
    void PortBack(const QString& device, const QString& notice) override;

private:  // what the window shows of what the board says (app/TerminalFeed.cpp, app/Logging.cpp)
    void TextReceived(const QString& piece) override;
    void LogFailed(const QString& message) override;

private:  // what the session reads from the operator (app/OperatorInputs.cpp)
    QString CommandLine() const override;
    int GenericSettingPosition() const override;
    int V35SettingPosition() const override;
    bool ConsoleInView() const override;
    bool ChoosingAnotherPort() const override;

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

    QString terminalContent_;
    QElapsedTimer sinceSync_;
    QElapsedTimer sincePiece_;  // since the last piece arrived
    qsizetype viewHeld_ = 0;     // characters the widget got up to its last sync
    qsizetype viewTrimmed_ = 0;  // characters trimmed from the front of terminalContent_ since then
    bool closed_ = false;
};
