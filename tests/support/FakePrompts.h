#pragma once

#include "QtPrinters.h"
#include "app/Prompts.h"

#include <QList>
#include <QStringList>

#include <deque>
#include <functional>

// Scripted answers for the window's modal questions; records what was asked.
class FakePrompts : public Prompts {
public:
    QStringList Warnings;
    QStringList Notices;  // the text of each notice shown or updated, in order
    QList<FileRequest> FileRequests;
    std::deque<std::optional<QString>> FileAnswers;  // nothing left to answer means "cancelled"
    std::function<void()> WhileWarningShown;          // runs as if events arrived under the modal box
    std::function<void()> WhileChoosingFile;          // the same under the file dialog

    void Warn(const QString& text) override {
        Warnings << text;
        if (WhileWarningShown) {
            WhileWarningShown();
        }
    }
    void Notify(const QString& text) override { Notices << text; }
    std::optional<QString> ChooseFile(const FileRequest& request) override {
        FileRequests << request;
        if (WhileChoosingFile) {
            WhileChoosingFile();
        }
        std::optional<QString> answer;
        if (!FileAnswers.empty()) {
            answer.swap(FileAnswers.front());
            FileAnswers.pop_front();
        }
        return answer;
    }
};
