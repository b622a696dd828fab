#include "app/Prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

void QtPrompts::Warn(const QString& text) {
    QMessageBox box(QMessageBox::Warning, kMessageTitle, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void QtPrompts::Notify(const QString& text) {
    if (!notice_) {
        notice_ = new QMessageBox(QMessageBox::Warning, kMessageTitle, text, QMessageBox::Ok, noticeOwner_);
        notice_->setWindowModality(Qt::NonModal);
        notice_->setAttribute(Qt::WA_DeleteOnClose);
        // Whatever the engineer is typing keeps the focus.
        notice_->setAttribute(Qt::WA_ShowWithoutActivating);
    }
    notice_->setText(text);
    notice_->show();
}

namespace {

// A log file may be new (then the engineer confirms its creation) but must be writable.
bool AcceptableLogFile(QWidget* parent, const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return QMessageBox::question(parent, QStringLiteral("Select Logging File"),
                                     QStringLiteral("%1\nThis file does not exist.\nCreate the file?")
                                         .arg(QDir::toNativeSeparators(path)),
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }
    if (!info.isWritable()) {
        QMessageBox::warning(parent, QStringLiteral("Select Logging File"),
                             QStringLiteral("%1\nThis file is set read-only.\nUse a different file name.")
                                 .arg(QDir::toNativeSeparators(path)));
        return false;
    }
    return true;
}

}  // namespace

std::optional<QString> QtPrompts::ChooseFile(const FileRequest& request) {
    QFileDialog dialog(QApplication::activeWindow(), request.Title);
    dialog.setNameFilters(request.Filters);
    dialog.selectNameFilter(request.Filters.value(0));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.MustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    while (dialog.exec() == QDialog::Accepted) {
        const QString path = dialog.selectedFiles().value(0);
        if (path.isEmpty()) {
            continue;
        }
        if (!request.AskToCreate || AcceptableLogFile(&dialog, path)) {
            return path;
        }
    }
    return std::nullopt;
}
