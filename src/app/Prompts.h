#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What a file choice asks of the engineer.
struct FileRequest {
    QString Title;
    QStringList Filters;       // e.g. "Text File (*.txt)"; the first one is preselected
    bool MustExist = true;     // open an existing file (program download)
    bool AskToCreate = false;  // a new name is offered for creation; a read-only file is refused (logging)
};

// The modal questions the window asks. Production shows real boxes; tests script the answers.
class Prompts {
public:
    virtual ~Prompts() = default;
    // A modal warning: exclamation icon, title "Velmora GUI", one OK button.
    virtual void Warn(const QString& text) = 0;
    // The chosen file's full path, or nothing when the engineer cancelled.
    virtual std::optional<QString> ChooseFile(const FileRequest& request) = 0;
};

// Boxes and dialogs are modal over the tool's active window.
class QtPrompts : public Prompts {
public:
    void Warn(const QString& text) override;
    std::optional<QString> ChooseFile(const FileRequest& request) override;
};

inline const QString kMessageTitle = QStringLiteral("Velmora GUI");
