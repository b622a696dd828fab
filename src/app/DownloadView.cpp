#include "app/GuiMain.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <cmath>

namespace {

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
    DownloadEngine& download = Session.Download;
    if (download.Active()) {
        download.EndDownload(DownloadEnd::Aborted);
        return;
    }
    const bool portOpen = Session.Port.IsOpen();
    const std::optional<QString> path = Dialog.ChooseFile(FileRequest{
        .Title = QStringLiteral("Select File to Download"),
        .Filters = {QStringLiteral("Program File (*.hex)"), QStringLiteral("All Files (*.*)")},
        .MustExist = true,
    });
    // The dialog is modal: the window may have been closed while it was open, or the port lost, which forgot
    // the board the download was for and hid this button.
    if (path && !Closed() && portOpen == Session.Port.IsOpen()) {
        download.BeginDownload(*path);
    }
}

// The port stays while a download runs.
void GuiMain::DownloadStarting() {
    CommPortSelect->setEnabled(false);
    ShowDownloadView();
    DownloadButton->setText(QStringLiteral("Abort Download"));
}

void GuiMain::DownloadStatusChanged(DownloadStep /*step*/, const QString& text) { DownloadStatus->setText(text); }

// Shown rounded half to even (62.5 shows 62).
void GuiMain::DownloadProgressChanged(double value) {
    DownloadProgress->setValue(static_cast<int>(std::nearbyint(value)));
}

void GuiMain::DownloadWarning(const QString& text) { Dialog.Warn(text); }

void GuiMain::DownloadEnded(DownloadEnd /*how*/) {
    HideDownloadView();
    DownloadButton->setText(QStringLiteral("Program Download"));
    CommPortSelect->setEnabled(true);
}

// Applied after the boot-loader layout, so it overrides it.
void GuiMain::ShowDownloadView() {
    OpConfig->hide();
    SetTwipsHeight(SoftwareConfig, kFrameHeightDownloading);
    MoveInTwips(DownloadStatus, kStatusAt, kStatusWidth);
    MoveInTwips(DownloadProgress, kProgressAt, kProgressWidth);
    PlaceTabPageControls();
    DownloadStatus->show();
    DownloadProgress->show();
}

void GuiMain::HideDownloadView() {
    DownloadStatus->hide();
    DownloadProgress->hide();
    OpConfig->show();
    SetTwipsHeight(SoftwareConfig, kFrameHeightIdle);
    PlaceTabPageControls();
}
