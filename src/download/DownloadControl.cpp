#include "app/GuiMain.h"
#include "download/DownloadPhase.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kBootLoaderWaitMs = 9000;  // per reset request
constexpr int kFlashStep = 5;            // progress added per flashing tick

// The download view, in twips relative to the tab control (heights of the status and the bar stay).
constexpr int kFrameHeightDownloading = 2575;
constexpr int kFrameHeightIdle = 1452;
constexpr QPoint kStatusAt{1680, 1920};
constexpr int kStatusWidth = 3375;
constexpr QPoint kProgressAt{1200, 2400};
constexpr int kProgressWidth = 4335;

void MoveInTwips(QWidget* control, QPoint topLeft, int width) {
    GuiMain::SetTwips(control, QRect(topLeft, QSize(width, GuiMain::Twips(control).height())));
}

void SetTwipsHeight(QWidget* control, int height) {
    QRect twips = GuiMain::Twips(control);
    twips.setHeight(height);
    GuiMain::SetTwips(control, twips);
}

}  // namespace

void GuiMain::DownloadButton_Click() {
    if (State.DownloadActive) {
        EndDownload();
        return;
    }
    const std::optional<QString> path = Dialog.ChooseFile(FileRequest{
        .Title = QStringLiteral("Select File to Download"),
        .Filters = {QStringLiteral("Program File (*.hex)"), QStringLiteral("All Files (*.*)")},
        .MustExist = true,
    });
    // The dialog is modal: the window may have been closed while it was open.
    if (path && !Closed()) {
        BeginDownload(*path);
    }
}

void GuiMain::BeginDownload(const QString& path) {
    // The dialog is shared with logging, so the choice is kept here for the whole download.
    State.DownloadPath = path;
    State.DownloadName = QFileInfo(path).fileName();
    ++State.DownloadNumber;
    State.DownloadPhase = kAwaitingReady;
    State.DownloadActive = true;
    State.DownloadEnding = false;
    TransmitTimer.stop();
    CommPortSelect->setEnabled(false);
    State.DownloadFile.close();
    State.ReplyLine.clear();
    State.ActiveProgram = kBootLoader;
    ApplyLayout(kBootLoader);
    ShowDownloadView();
    SendResetRequest();
    State.BootRetryCount = 0;
    RestartDownloadTimer(kBootLoaderWaitMs);
    DownloadButton->setText(QStringLiteral("Abort Download"));
}

// Applied after the boot-loader layout, so it overrides it.
void GuiMain::ShowDownloadView() {
    OpConfig->hide();
    SetTwipsHeight(SoftwareConfig, kFrameHeightDownloading);
    MoveInTwips(DownloadStatus, kStatusAt, kStatusWidth);
    MoveInTwips(DownloadProgress, kProgressAt, kProgressWidth);
    PlaceTabPageControls();
    DownloadStatus->setText(QStringLiteral("Rebooting Velmora ..."));
    DownloadStatus->show();
    ShowProgress(DownloadProgress->minimum());
    DownloadProgress->show();
}

void GuiMain::HideDownloadView() {
    DownloadStatus->hide();
    DownloadProgress->hide();
    OpConfig->show();
    SetTwipsHeight(SoftwareConfig, kFrameHeightIdle);
    PlaceTabPageControls();
}

// Two sends: a CR LF alone ends whatever the console had half-read, then the command itself.
void GuiMain::SendResetRequest() {
    SendCommand(QString());
    SendCommand(QStringLiteral("reset"));
}

void GuiMain::RestartDownloadTimer(int intervalMs) {
    DownloadTimer.stop();
    DownloadTimer.start(intervalMs);
}

// The progress is kept as a fraction and shown rounded half to even (62.5 shows 62), never above the maximum.
void GuiMain::ShowProgress(double value) {
    State.DownloadProgressValue = std::min(value, static_cast<double>(DownloadProgress->maximum()));
    DownloadProgress->setValue(static_cast<int>(std::nearbyint(State.DownloadProgressValue)));
}

void GuiMain::DownloadTimer_Timer() {
    // Nothing runs on under a warning that ends the download.
    if (!State.DownloadActive || State.DownloadEnding) {
        return;
    }
    switch (State.DownloadPhase) {
        case kAwaitingReady:
            if (State.BootRetryCount > 0) {
                WarnAndEndDownload(QStringLiteral("Boot Loader Not Detected"));
                return;
            }
            ++State.BootRetryCount;
            State.ReplyLine.clear();
            SendResetRequest();
            return;
        case kStoppingBootLoader:
            WarnAndEndDownload(QStringLiteral("Boot Loader Unresponsive"));
            return;
        default:  // the flashing wait
            ShowProgress(State.DownloadProgressValue + kFlashStep);
            if (State.DownloadProgressValue >= DownloadProgress->maximum()) {
                EndDownload();
            }
    }
}

// The warning is modal and ticks and port events keep arriving under it: the download is put on hold first,
// so this stays the only warning and nothing is sent meanwhile. Something under the box may end the download
// already (a lost port); then it is not ended twice.
void GuiMain::WarnAndEndDownload(const QString& text) {
    DownloadTimer.stop();
    State.DownloadEnding = true;
    Dialog.Warn(text);
    if (State.DownloadActive) {
        EndDownload();
    }
}

// Every download ends here, whatever state it reached; the board is reset and polling resumes.
void GuiMain::EndDownload() {
    DownloadTimer.stop();
    State.DownloadActive = false;
    State.DownloadEnding = false;
    MSComm1.SetSendThreshold(0);
    State.DownloadFile.close();
    if (Closed()) {
        return;  // the window went away under a nested event loop: nothing more is sent, no timer restarts
    }
    HideDownloadView();
    DownloadButton->setText(QStringLiteral("Program Download"));
    State.ReplyLine.clear();
    State.ActiveProgram = kNoProgram;
    ApplyLayout(kNoProgram);
    SendResetRequest();
    TransmitTimer.start();
    CommPortSelect->setEnabled(true);
}
