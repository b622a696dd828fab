#include "rack/BoardLog.h"

namespace {

// What a board says in about an hour and a half at the full line rate: a log that cannot be written for
// longer loses the newest pieces rather than the process its memory.
constexpr qint64 kMostKeptBytes = 32 << 20;

QByteArray TimesLine(const QDateTime& time, qint64 offset, qint64 length) {
    return time.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ")).toLatin1() + ' ' +
           QByteArray::number(offset) + ' ' + QByteArray::number(length) + '\n';
}

// Writes as much of `bytes` as the file takes; false on an error.
bool WriteSome(QFile& file, QByteArray& bytes, qint64& written) {
    written = file.write(bytes);
    if (written < 0) {
        written = 0;
        return false;
    }
    bytes.remove(0, written);
    return bytes.isEmpty();
}

}  // namespace

BoardLog::BoardLog(const QString& pathWithoutSuffix)
    : log_(pathWithoutSuffix + QStringLiteral(".log")),
      times_(pathWithoutSuffix + QStringLiteral(".times")) {}

std::optional<QString> BoardLog::Open() {
    for (QFile* file : {&log_, &times_}) {
        if (!file->isOpen() &&
            !file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
            return QStringLiteral("%1: %2").arg(file->fileName(), file->errorString());
        }
    }
    logSize_ = log_.size();
    return std::nullopt;
}

std::optional<QString> BoardLog::Append(const QByteArray& piece, const QDateTime& time) {
    if (keptBytes_ + unwrittenTimes_.size() + piece.size() > kMostKeptBytes) {
        return Failure(QStringLiteral("%1: %2 bytes not written: too much is waiting to be written")
                           .arg(log_.fileName())
                           .arg(piece.size()));
    }
    kept_.push_back({time, piece});
    keptBytes_ += piece.size();
    return Flush();
}

std::optional<QString> BoardLog::Reopen() {
    (void)Flush();  // what the old files still take
    log_.close();
    times_.close();
    failing_ = false;
    return Flush();
}

std::optional<QString> BoardLog::Flush() {
    if (!log_.isOpen() || !times_.isOpen()) {
        if (const std::optional<QString> error = Open()) {
            return Failure(*error);
        }
    }
    QString error;
    while (!kept_.empty() && error.isEmpty()) {
        Piece& piece = kept_.front();
        qint64 written = 0;
        const bool whole = WriteSome(log_, piece.Bytes, written);
        if (written > 0) {
            unwrittenTimes_ += TimesLine(piece.Time, logSize_, written);
            logSize_ += written;
            keptBytes_ -= written;
        }
        if (!whole) {
            error = QStringLiteral("%1: %2").arg(log_.fileName(), log_.errorString());
            break;
        }
        kept_.pop_front();
    }
    qint64 written = 0;
    if (!WriteSome(times_, unwrittenTimes_, written) && error.isEmpty()) {
        error = QStringLiteral("%1: %2").arg(times_.fileName(), times_.errorString());
    }
    if (!error.isEmpty()) {
        return Failure(error);
    }
    failing_ = false;
    return std::nullopt;
}

std::optional<QString> BoardLog::Failure(const QString& error) {
    if (failing_) {
        return std::nullopt;
    }
    failing_ = true;
    return error;
}
