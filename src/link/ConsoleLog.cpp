#include "app/GuiMain.h"

#include <QPushButton>

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
    SendDebugLevel(QStringLiteral("debug 80"));
    LoggingButton->setText(kStopLogging);
    State.LoggingActive = true;
}

void GuiMain::StopLogging() {
    State.LoggingActive = false;
    State.LogFile.close();
    LoggingButton->setText(kActivateLogging);
    SendDebugLevel(QStringLiteral("debug 0"));
}

// A debug level command mixed into a program file would corrupt it: while a download runs, logging changes
// without telling the board.
void GuiMain::SendDebugLevel(const QString& command) {
    if (!State.DownloadActive) {
        SendCommand(command);
    }
}

void GuiMain::AppendToLog(const QString& piece) {
    // The window may have closed, and the log with it, while this piece was being handled.
    if (Closed()) {
        return;
    }
    const QByteArray bytes = piece.toLatin1();
    // Flushed per piece, so a crash of the tool loses nothing already received.
    if (State.LogFile.write(bytes) == bytes.size() && State.LogFile.flush()) {
        return;
    }
    // The engineer must not believe the console is still being logged.
    const QString error = State.LogFile.errorString();
    StopLogging();
    Dialog.Warn(QStringLiteral("Logging stopped: the log file could not be written (%1).").arg(error));
}
