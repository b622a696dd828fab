#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>

#include <deque>
#include <optional>

// One board's console log: NAME.log holds the bytes exactly as the board said them, appended; NAME.times
// beside it one line per piece, "TIME OFFSET LENGTH" (UTC, ISO 8601 with milliseconds; the piece's byte
// offset in the log file and its length). A piece that cannot be written is kept and written, in order,
// before the next; the log never holds a byte out of order.
class BoardLog {
  public:
    explicit BoardLog(const QString& pathWithoutSuffix);

    // Opens both files for appending; why not, if they do not open.
    std::optional<QString> Open();
    // Why the piece, or what was kept before it, could not be written, once for each spell of failures.
    std::optional<QString> Append(const QByteArray& piece, const QDateTime& time);
    // After the files were moved away (a rotation): what is kept goes to the old files if it can, then the
    // files are opened again at their paths; offsets count from the start of the new log.
    std::optional<QString> Reopen();
    qint64 KeptBytes() const { return keptBytes_; }

  private:
    struct Piece {
        QDateTime Time;
        QByteArray Bytes;
    };
    std::optional<QString> Flush();
    std::optional<QString> Failure(const QString& error);

    QFile log_;
    QFile times_;
    std::deque<Piece> kept_;  // not yet (wholly) in the log, oldest first
    qint64 keptBytes_ = 0;
    QByteArray unwrittenTimes_;
    qint64 logSize_ = 0;
    bool failing_ = false;
};
