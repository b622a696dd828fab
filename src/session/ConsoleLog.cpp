#include "session/Session.h"

#include <utility>

std::optional<QString> Session::StartLogging(const QString& path) {
    State.LogFile.setFileName(path);
    // Append: an existing log keeps its bytes and the new text follows its last byte.
    if (!State.LogFile.open(QIODevice::WriteOnly | QIODevice::Append)) {
        const QString error = State.LogFile.errorString();
        State.LogFile.close();
        return error;
    }
    RaiseDebugLevelForLog();
    State.LoggingActive = true;
    return std::nullopt;
}

void Session::StopLogging() {
    // What was received while logging is in the log, even when logging stops while a piece is being handled.
    WriteToLogFile(std::exchange(unloggedText_, {}));
    State.LoggingActive = false;
    State.LogFile.close();
    SendDebugLevel(QStringLiteral("debug 0"));
}

// A debug level command mixed into a program file would corrupt it: while a download runs, logging changes
// without telling the board.
void Session::SendDebugLevel(const QString& command) {
    if (!Download.Active()) {
        SendCommand(command);
    }
}

// The board's detailed output, which the log is kept for.
void Session::RaiseDebugLevelForLog() {
    SendDebugLevel(QStringLiteral("debug 80"));
}

void Session::AppendToLog(const QString& piece) {
    // The session may have closed, and the log with it, while this piece was being handled.
    if (closed_) {
        return;
    }
    if (WriteToLogFile(piece)) {
        return;
    }
    // The engineer must not believe the console is still being logged.
    const QString error = State.LogFile.errorString();
    StopLogging();
    sink_.LogFailed(QStringLiteral("Logging stopped: the log file could not be written (%1).").arg(error));
}

// Flushed per piece, so a crash of the tool loses nothing already received.
bool Session::WriteToLogFile(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    return bytes.isEmpty() || (State.LogFile.write(bytes) == bytes.size() && State.LogFile.flush());
}

// Pieces are queued for the log as they are received, so a piece that arrives while an earlier one lets
// pending events run is logged after it, and the log keeps the order of arrival.
void Session::QueueForLog(const QString& piece) {
    if (State.LoggingActive) {
        unloggedText_.append(piece);
    }
}

void Session::AppendQueuedToLog() {
    if (State.LoggingActive) {
        AppendToLog(std::exchange(unloggedText_, {}));
    }
}
