#pragma once

#include "flash/BoardFlash.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

enum class OutputMode {
    Terminal,  // one live line per board, redrawn in place
    Plain,     // a line per phase change and per 10 %
    Quiet,     // result lines and the summary only
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
    void Finish(int exitStatus);             // result lines and summary
    // The file was refused before any port was opened: every board's result, the reason once.
    void Refuse(const QString& reason);

    // Replaceable so tests can fix the rates and times shown.
    std::function<qint64()> ElapsedMs;

private:
    struct Board {
        BoardReport Last;
        qint64 SendingSinceMs = -1;
        qint64 LastProgressMs = -1;  // of the last JSON progress event
        int PlainDecile = -1;        // the last 10 % step printed
    };
    QString LiveLine(const Board& board) const;
    QString LiveDetails(const Board& board, int room) const;
    int PortWidth() const;
    QString ResultLine(const Board& board) const;
    void UpdateJson(Board& board, bool phaseChanged);
    QJsonObject BoardJson(const BoardReport& report, const QString& event) const;
    void WriteJson(const Board& board, const QString& event);
    void WriteJson(QJsonObject json);
    void UpdatePlain(Board& board, bool phaseChanged);
    void Write(const QString& text);

    OutputMode mode_;
    Run run_;
    std::function<void(const QByteArray&)> write_;
    QList<Board> boards_;
    bool drawn_ = false;
};
