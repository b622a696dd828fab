#pragma once

#include "rack/BoardRecord.h"
#include "rack/RackOptions.h"
#include "rack/RackOutput.h"

#include <QElapsedTimer>
#include <QHttpServer>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTcpServer;

// A rack of boards in one process: each board's session, log, alarms and counts; its events to the output,
// its errors and summary to the error stream, its metrics to whoever scrapes them.
class Rack : private BoardListener {
  public:
    Rack(const RackOptions& options, RackOutput& output, std::function<void(const QByteArray&)> errors);
    ~Rack();
    Rack(const Rack&) = delete;
    Rack& operator=(const Rack&) = delete;

    // Opens the logs and the metrics address, then the boards' ports; why not, if the first two do not open
    // (no port is opened then).
    std::optional<QString> Start();
    void Stop();
    void ReopenLogs();
    // Each board's burn-in figures so far, as summary events with JSON output, otherwise on the error stream.
    void Summary();
    bool AnyAlarmRaised() const;  // during the whole run

  private:
    void FieldChanged(RackBoard& board, BoardField field) override;
    void ProgramChanged(RackBoard& board, std::int32_t program) override;
    void Received(RackBoard& board, const QByteArray& bytes) override;
    void PortOpened(RackBoard& board) override;
    void PortLost(RackBoard& board) override;
    void Rebooted(RackBoard& board) override;

    std::optional<QString> OpenLogs();
    std::optional<QString> ListenForScrapes();
    void EverySecond();
    void Sample(BoardRecord& record);
    void Tell(const BoardRecord& record, const QString& kind,
              QList<std::pair<QString, QJsonValue>> details = {});
    void LogError(BoardRecord& record, const QString& message);
    BoardRecord& RecordOf(const RackBoard& board);
    QList<TableCell> TableRow(const BoardRecord& record) const;

    RackOptions options_;
    RackOutput& output_;
    std::function<void(const QByteArray&)> errors_;
    QElapsedTimer clock_;
    std::vector<std::unique_ptr<BoardRecord>> boards_;
    QTimer everySecond_;
    std::unique_ptr<QHttpServer> metrics_;
};
