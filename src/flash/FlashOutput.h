#pragma once

#include "flash/BoardFlash.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

enum class OutputMode {
    Terminal,  // one live line per board, redrawn in place
    Plain,     // a line per phase change and per 10 %
    Json,      // JSON Lines
};

// What the flasher prints about its boards, on stdout.
class FlashOutput {
public:
    struct Run {
        QString ProgramPath;
        QString Sha256;
        QStringList Ports;
        int Columns = 0;  // the terminal's width: a live line that wrapped could not be redrawn in place
    };
    FlashOutput(OutputMode mode, Run run, std::function<void(const QByteArray&)> write);

    void Update(const BoardReport& report);  // every report, in order
    void Refresh();                          // the live lines, at most ten times a second
    void Finish();                           // result lines and summary

private:
    struct Board {
        BoardReport Last;
        qint64 SendingSinceMs = -1;
        qint64 LastProgressMs = -1;  // of the last JSON progress event
        int PlainDecile = -1;        // the last 10 % step printed
    };
    QString LiveLine(const Board& board) const;
    QString ResultLine(const Board& board) const;
    void WriteJson(const Board& board, const QString& event);
    void UpdatePlain(Board& board, bool phaseChanged);
    void Write(const QString& text);

    OutputMode mode_;
    Run run_;
    std::function<void(const QByteArray&)> write_;
    QList<Board> boards_;
    QElapsedTimer clock_;
    bool drawn_ = false;
};
