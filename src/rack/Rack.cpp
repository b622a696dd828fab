#include "rack/Rack.h"

#include "rack/RackMetrics.h"
#include "rack/RackNames.h"
#include "status/ReadingRules.h"

#include <QDir>
#include <QHttpServerResponse>
#include <QJsonObject>
#include <QTcpServer>

namespace {

constexpr int kEvaluateEveryMs = 1000;

bool ApplicationRuns(const RackBoard& board) {
    const std::int32_t program = board.State().ActiveProgram;
    return program == kLineCardApp || program == kCpeApp;
}

QJsonValue Figures(const Reading& reading) {
    if (reading.Count == 0) {
        return QJsonValue::Null;
    }
    return QJsonObject{{QStringLiteral("min"), reading.Least},
                       {QStringLiteral("max"), reading.Greatest},
                       {QStringLiteral("mean"), reading.Sum / static_cast<double>(reading.Count)}};
}

QString PlainFigures(const Reading& reading) {
    if (reading.Count == 0) {
        return QStringLiteral("none");
    }
    return QStringLiteral("%1/%2/%3 (min/max/mean)")
        .arg(reading.Least)
        .arg(reading.Greatest)
        .arg(reading.Sum / static_cast<double>(reading.Count), 0, 'f', 1);
}

}  // namespace

Rack::Rack(const RackOptions& options, RackOutput& output, std::function<void(const QByteArray&)> errors)
    : options_(options), output_(output), errors_(std::move(errors)) {
    clock_.start();
    for (const RackBoardEntry& entry : options_.Boards) {
        BoardListener& listener = *this;
        boards_.push_back(std::make_unique<BoardRecord>(entry.Name, entry.Port, listener,
                                                        options_.AlarmAfterS * 1000LL,
                                                        options_.QuietAfterS * 1000LL, clock_.elapsed()));
    }
    everySecond_.setInterval(kEvaluateEveryMs);
    QObject::connect(&everySecond_, &QTimer::timeout, [this] { EverySecond(); });
}

Rack::~Rack() {
    Stop();
}

std::optional<QString> Rack::Start() {
    if (std::optional<QString> error = OpenLogs()) {
        return error;
    }
    if (std::optional<QString> error = ListenForScrapes()) {
        return error;
    }
    for (const auto& record : boards_) {
        record->Board.Start();
    }
    everySecond_.start();
    return std::nullopt;
}

void Rack::Stop() {
    everySecond_.stop();
    for (const auto& record : boards_) {
        record->Board.Stop();
    }
}

std::optional<QString> Rack::OpenLogs() {
    if (options_.LogDir.isEmpty()) {
        return std::nullopt;
    }
    const QDir dir(options_.LogDir);
    if (!dir.mkpath(QStringLiteral("."))) {
        return QStringLiteral("%1: the folder cannot be made.").arg(options_.LogDir);
    }
    for (const auto& record : boards_) {
        record->Log.emplace(dir.filePath(record->Board.Name()));
        if (std::optional<QString> error = record->Log->Open()) {
            return error;
        }
    }
    return std::nullopt;
}

std::optional<QString> Rack::ListenForScrapes() {
    if (!options_.Metrics) {
        return std::nullopt;
    }
    auto* listener = new QTcpServer();
    if (!listener->listen(options_.Metrics->Host, options_.Metrics->Port)) {
        const QString error = QStringLiteral("metrics on %1 port %2: %3")
                                  .arg(options_.Metrics->Host.toString())
                                  .arg(options_.Metrics->Port)
                                  .arg(listener->errorString());
        delete listener;
        return error;
    }
    metrics_ = std::make_unique<QHttpServer>();
    metrics_->route(QStringLiteral("/metrics"), [this] {
        return QHttpServerResponse(QByteArray(kMetricsContentType), MetricsText(boards_));
    });
    (void)metrics_->bind(listener);  // it takes the listener over
    return std::nullopt;
}

void Rack::ReopenLogs() {
    for (const auto& record : boards_) {
        if (record->Log) {
            if (const std::optional<QString> error = record->Log->Reopen()) {
                LogError(*record, *error);
            }
        }
    }
}

BoardRecord& Rack::RecordOf(const RackBoard& board) {
    for (const auto& record : boards_) {
        if (&record->Board == &board) {
            return *record;
        }
    }
    Q_UNREACHABLE();
}

void Rack::Tell(const BoardRecord& record, const QString& kind,
                QList<std::pair<QString, QJsonValue>> details) {
    output_.Event({QDateTime::currentDateTimeUtc(), record.Board.Name(), kind, std::move(details)});
}

void Rack::LogError(BoardRecord& record, const QString& message) {
    errors_(QStringLiteral("velmora-rack: %1: %2\n").arg(record.Board.Name(), message).toLocal8Bit());
    Tell(record, QStringLiteral("log_error"), {{QStringLiteral("message"), message}});
}

void Rack::FieldChanged(RackBoard& board, BoardField field) {
    BoardRecord& record = RecordOf(board);
    const QString& text = board.Status().Text(field);
    QList<std::pair<QString, QJsonValue>> details{{QStringLiteral("field"), QLatin1String(FieldName(field))},
                                                  {QStringLiteral("value"), text}};
    if (const std::optional<int> coloured = ColouredIndex(field)) {
        // A blank field is not judged; and only an application's status can raise an alarm, not what the
        // fields show while no application runs.
        const std::optional<StatusLevel> level = text.isEmpty() ? std::nullopt : board.Status().Level(field);
        record.Alarms.LevelChanged(*coloured, ApplicationRuns(board) ? level : std::nullopt,
                                   clock_.elapsed());
        if (level) {
            details.append({QStringLiteral("level"), QLatin1String(LevelName(*level))});
        }
    }
    Tell(record, QStringLiteral("field"), std::move(details));
}

void Rack::ProgramChanged(RackBoard& board, std::int32_t program) {
    if (!ApplicationRuns(board)) {
        for (int coloured = 0; coloured < kColouredFieldCount; ++coloured) {
            RecordOf(board).Alarms.LevelChanged(coloured, std::nullopt, clock_.elapsed());
        }
    }
    Tell(RecordOf(board), QStringLiteral("program"),
         {{QStringLiteral("value"), QLatin1String(ProgramName(program))}});
}

void Rack::Received(RackBoard& board, const QByteArray& bytes) {
    BoardRecord& record = RecordOf(board);
    record.ReceivedBytes += bytes.size();
    record.Alarms.Heard(clock_.elapsed());
    if (record.Log) {
        if (const std::optional<QString> error = record.Log->Append(bytes, QDateTime::currentDateTimeUtc())) {
            LogError(record, *error);
        }
    }
}

void Rack::PortOpened(RackBoard& board) {
    BoardRecord& record = RecordOf(board);
    record.Alarms.PortOpened(clock_.elapsed());
    Tell(record, record.EverOpened ? QStringLiteral("port_back") : QStringLiteral("port_open"),
         {{QStringLiteral("port"), board.PortName()}});
    record.EverOpened = true;
}

void Rack::PortLost(RackBoard& board) {
    BoardRecord& record = RecordOf(board);
    ++record.PortLosses;
    record.Alarms.PortLost(clock_.elapsed());
    Tell(record, QStringLiteral("port_lost"), {{QStringLiteral("port"), board.PortName()}});
}

void Rack::Rebooted(RackBoard& board) {
    BoardRecord& record = RecordOf(board);
    ++record.Reboots;
    record.Alarms.Rebooted(clock_.elapsed());
}

// Alarms are judged, readings sampled and the table drawn once a second.
void Rack::EverySecond() {
    const qint64 now = clock_.elapsed();
    QList<QList<TableCell>> table{{{QStringLiteral("BOARD")},
                                   {QStringLiteral("PORT")},
                                   {QStringLiteral("PROGRAM")},
                                   {QStringLiteral("STATE")},
                                   {QStringLiteral("SIGNAL")},
                                   {QStringLiteral("SFD")},
                                   {QStringLiteral("TEMP")},
                                   {QStringLiteral("ALARMS")}}};
    for (const auto& record : boards_) {
        Sample(*record);
        for (const AlarmChange& change : record->Alarms.Evaluate(now)) {
            Tell(*record, QStringLiteral("alarm"),
                 {{QStringLiteral("alarm"), QLatin1String(AlarmName(change.Which))},
                  {QStringLiteral("state"),
                   change.Raised ? QStringLiteral("raised") : QStringLiteral("cleared")}});
        }
        table << TableRow(*record);
    }
    if (output_.Mode() == RackOutputMode::Terminal) {
        output_.Table(table);
    }
}

// What the board last replied, while an application runs.
void Rack::Sample(BoardRecord& record) {
    const BoardStatus& status = record.Board.Status();
    for (const auto& [field, reading] : {std::pair{BoardField::kTemperature, &record.Temperature},
                                         std::pair{BoardField::kRssi, &record.Signal}}) {
        const QString& text = status.Text(field);
        if (ApplicationRuns(record.Board) && record.Board.Measured(field) && !text.isEmpty()) {
            reading->Add(static_cast<double>(ReadDecimal(text)));
        }
    }
}

QList<TableCell> Rack::TableRow(const BoardRecord& record) const {
    const BoardStatus& status = record.Board.Status();
    const auto judged = [&](BoardField field) {
        const QString& text = status.Text(field);
        return TableCell{
            text, ApplicationRuns(record.Board) && !text.isEmpty() ? status.Level(field) : std::nullopt};
    };
    QStringList alarms;
    for (int index = 0; index < kAlarmCount; ++index) {
        if (record.Alarms.IsRaised(static_cast<Alarm>(index))) {
            alarms << QLatin1String(AlarmName(static_cast<Alarm>(index)));
        }
    }
    return {{record.Board.Name()},
            {record.Board.PortOpen() ? QStringLiteral("open") : QStringLiteral("closed")},
            {QLatin1String(ProgramName(record.Board.State().ActiveProgram))},
            judged(BoardField::kOpState),
            judged(BoardField::kRssi),
            judged(BoardField::kSfdLosses),
            judged(BoardField::kTemperature),
            {alarms.join(u','), alarms.isEmpty() ? std::nullopt : std::optional(StatusLevel::kBad)}};
}

void Rack::Summary() {
    const qint64 now = clock_.elapsed();
    for (const auto& record : boards_) {
        const qint64 uptimeS = (now - record->StartedMs) / 1000;
        if (output_.Mode() == RackOutputMode::Json) {
            Tell(*record, QStringLiteral("summary"),
                 {{QStringLiteral("uptime_s"), uptimeS},
                  {QStringLiteral("port_losses"), record->PortLosses},
                  {QStringLiteral("reboots"), record->Reboots},
                  {QStringLiteral("alarms"), record->Alarms.TimesRaised()},
                  {QStringLiteral("temperature"), Figures(record->Temperature)},
                  {QStringLiteral("signal_strength"), Figures(record->Signal)}});
            continue;
        }
        errors_(QStringLiteral("%1: up %2 s, port losses %3, reboots %4, alarms raised %5; temperature %6; "
                               "signal strength %7\n")
                    .arg(record->Board.Name())
                    .arg(uptimeS)
                    .arg(record->PortLosses)
                    .arg(record->Reboots)
                    .arg(record->Alarms.TimesRaised())
                    .arg(PlainFigures(record->Temperature), PlainFigures(record->Signal))
                    .toLocal8Bit());
    }
}

bool Rack::AnyAlarmRaised() const {
    return std::any_of(boards_.begin(), boards_.end(),
                       [](const auto& record) { return record->Alarms.TimesRaised() > 0; });
}
