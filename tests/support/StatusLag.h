#pragma once

#include <QList>
#include <QtGlobal>

// How closely the window's status follows a CPE whose console is busy with debug output at the line rate,
// delivered as a USB serial adapter delivers it: the real serial adapter on a pty, and on the other end a board
// thread that hands what the line carried to the pty once per adapter tick. Every EventEveryMs the board writes a
// hook event of line 1 ("Channel 00 OFF HOOK" and "Channel 00 ON HOOK" by turns) between its debug lines.
struct StatusLagRun {
    int Seconds = 60;
    int EventEveryMs = 500;
    int AdapterTickMs = 16;
    double BytesPerSecond = 5760;  // what 57600 baud 8N1 carries
};

struct StatusLagResult {
    bool Started = false;           // the window took the board for a CPE
    QList<double> LagsMs;           // per event, in order: the board writing it to the field showing it; -1: never
    qsizetype MostBuffered = 0;     // the most text ReceiveBuffer held after a piece was handled
    qint64 Pieces = 0;              // pieces the window handled
    qint64 PiecesLeavingALine = 0;  // pieces after which a complete line was still waiting
};

StatusLagResult MeasureStatusLag(const StatusLagRun& run);

// The value below which the given share of the samples lies (0.5: the median; 1: the largest).
double Quantile(QList<double> samples, double share);
