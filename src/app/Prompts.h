#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>

#include <optional>

class QMessageBox;
class QWidget;

// What a file choice asks of the engineer.
struct FileRequest {
    QString Title;
    QStringList Filters;       // e.g. "Text File (*.txt)"; the first one is preselected
    bool MustExist = true;     // open an existing file (program download)
    bool AskToCreate = false;  // a new name is offered for creation; a read-only file is refused (logging)
};

// What the window asks and tells the engineer. Production shows real boxes; tests script the answers.
class Prompts {
public:
    virtual ~Prompts() = default;
    // A modal warning: exclamation icon, title "Velmora GUI", one OK button.
    virtual void Warn(const QString& text) = 0;
    // The same look, but nothing waits for it: one notice, shown until the engineer closes it; a later call
    // replaces its text, or shows it anew.
    virtual void Notify(const QString& text) = 0;
    // The chosen file's full path, or nothing when the engineer cancelled.
    virtual std::optional<QString> ChooseFile(const FileRequest& request) = 0;
};

// Boxes and dialogs are modal over the tool's active window; the notice belongs to the window given.
class QtPrompts : public Prompts {
public:
    void Warn(const QString& text) override;
    void Notify(const QString& text) override;
    std::optional<QString> ChooseFile(const FileRequest& request) override;

    // A notice without it would be a window of its own, and keep the tool running after its window closed.
    void SetNoticeOwner(QWidget* window) { noticeOwner_ = window; }

private:
    QPointer<QWidget> noticeOwner_;
    QPointer<QMessageBox> notice_;
};

inline const QString kMessageTitle = QStringLiteral("Velmora GUI");
