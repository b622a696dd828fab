#include "app/GuiMain.h"

#include <QPushButton>

#include <utility>

namespace {

const QString kActivateLogging = QStringLiteral("Activate Logging");
const QString kStopLogging = QStringLiteral("Stop Logging");

FileRequest LogFileRequest() {
    FileRequest request;
    request.Title = QStringLiteral("Select Logging File");
    request.Filters = {QStringLiteral("Text File (*.txt)"), QStringLiteral("All Files (*.*)")};
    request.MustExist = false;
    request.AskToCreate = true;
    return request;
}

}  // namespace

void GuiMain::LoggingButton_Click() {
    if (State.LoggingActive) {
        StopLogging();
    } else {
        StartLogging();
    }
}

void GuiMain::StartLogging() {
    const std::optional<QString> path = Dialog.ChooseFile(LogFileRequest());
    if (!path) {
        return;
    }
    State.LogFile.setFileName(*path);
    // Append: an existing log keeps its bytes and the new text follows its last byte.
    if (!State.LogFile.open(QIODevice::WriteOnly | QIODevice::Append)) {
        const QString error = State.LogFile.errorString();
        State.LogFile.close();
        Dialog.Warn(error);
        return;
    }
    RaiseDebugLevelForLog();
    LoggingButton->setText(kStopLogging);
    State.LoggingActive = true;
}

void GuiMain::StopLogging() {
    // What was shown while logging is in the log, even when the click came while a piece was being handled.
    WriteToLogFile(std::exchange(unloggedText_, {}));
    State.LoggingActive = false;
    State.LogFile.close();
    LoggingButton->setText(kActivateLogging);
    SendDebugLevel(QStringLiteral("debug 0"));
}

// A debug level command mixed into a program file would corrupt it: while a download runs, logging changes
// without telling the board.
void GuiMain::SendDebugLevel(const QString& command) {
    if (!Download.Active()) {
        SendCommand(command);
    }
}

// The board's detailed output, which the log is kept for.
void GuiMain::RaiseDebugLevelForLog() {
    SendDebugLevel(QStringLiteral("debug 80"));
}

void GuiMain::AppendToLog(const QString& piece) {
    // The window may have closed, and the log with it, while this piece was being handled.
    if (Closed()) {
        return;
    }
    if (WriteToLogFile(piece)) {
        return;
    }
    // The engineer must not believe the console is still being logged.
    const QString error = State.LogFile.errorString();
    StopLogging();
    Dialog.Warn(QStringLiteral("Logging stopped: the log file could not be written (%1).").arg(error));
}

// Flushed per piece, so a crash of the tool loses nothing already received.
bool GuiMain::WriteToLogFile(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    return bytes.isEmpty() || (State.LogFile.write(bytes) == bytes.size() && State.LogFile.flush());
}

// Pieces are queued for the log as they are shown, so a piece that arrives while an earlier one lets pending
// events run is logged after it, and the log keeps the order of the view.
void GuiMain::QueueForLog(const QString& piece) {
    if (State.LoggingActive) {
        unloggedText_.append(piece);
    }
}

void GuiMain::AppendQueuedToLog() {
    if (State.LoggingActive) {
        AppendToLog(std::exchange(unloggedText_, {}));
    }
}
