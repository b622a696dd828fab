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
    if (Session.State.LoggingActive) {
        Session.StopLogging();
        LoggingButton->setText(kActivateLogging);
        return;
    }
    const std::optional<QString> path = Dialog.ChooseFile(LogFileRequest());
    if (!path) {
        return;
    }
    if (const std::optional<QString> error = Session.StartLogging(*path)) {
        Dialog.Warn(*error);
        return;
    }
    LoggingButton->setText(kStopLogging);
}

void GuiMain::LogFailed(const QString& message) {
    LoggingButton->setText(kActivateLogging);
    Dialog.Warn(message);
}
