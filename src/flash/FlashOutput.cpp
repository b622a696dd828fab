#include "flash/FlashOutput.h"

#include "download/DownloadEngine.h"

#include <QJsonDocument>
#include <QMap>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

namespace {

constexpr int kBarWidth = 20;
constexpr qint64 kProgressIntervalMs = 100;  // JSON progress at most ten times a second per board
constexpr int kPlainStep = 10;
constexpr int kPhaseWidth = 9;
// A live line without its port: " phase [bar] 100%  0:00 left".
constexpr int kLiveLineFixed = 1 + kPhaseWidth + 2 + kBarWidth + 2 + 4 + 11;
constexpr int kShortestPort = 8;
constexpr double kLineBytesPerSecond =
    static_cast<double>(DownloadEngine::kLineBitsPerSecond) / DownloadEngine::kBitsPerByte;

QString Duration(double seconds) {
    const int whole = static_cast<int>(std::ceil(std::max(0.0, seconds)));
    return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

QString Bar(double percent) {
    const int filled = static_cast<int>(percent * kBarWidth / DownloadEngine::kProgressMaximum);
    return QString(filled, u'#') + QString(kBarWidth - filled, u'-');
}

bool Sending(const BoardReport& r) {
    return r.Phase == QStringLiteral("sending");
}

// While sending, the share of the bytes handed over, so it always matches the bytes shown beside it.
double Percent(const BoardReport& r) {
    if (Sending(r)) {
        return r.Length > 0 ? static_cast<double>(100 * r.Sent) / static_cast<double>(r.Length) : 0;
    }
    return r.Progress;
}

// The end of a long name tells boards apart (by-id names differ in their serial number and interface).
QString Shortened(const QString& port, int width) {
    return port.size() <= width ? port : QStringLiteral("…") + port.right(width - 1);
}

qint64 FileBytesSent(const BoardReport& r) {
    return std::min(r.Sent, r.FileLength);
}

}  // namespace

FlashOutput::FlashOutput(OutputMode mode, Run run, std::function<void(const QByteArray&)> write)
    : mode_(mode), run_(std::move(run)), write_(std::move(write)) {
    ElapsedMs = [clock = std::make_shared<QElapsedTimer>()] {
        if (!clock->isValid()) {
            clock->start();
        }
        return clock->elapsed();
    };
    ElapsedMs();
    for (int index = 0; index < run_.Ports.size(); ++index) {
        boards_.append(Board{.Last = BoardReport{.Board = index, .Phase = QStringLiteral("waiting")}});
    }
}

void FlashOutput::Update(const BoardReport& report) {
    Board& board = boards_[report.Board];
    if (!report.Text.isEmpty()) {
        if (mode_ == OutputMode::Json) {
            QJsonObject json = BoardJson(report, QStringLiteral("board-text"));
            json.insert(QStringLiteral("phase"), report.Phase);
            json.insert(QStringLiteral("text"), report.Text);
            WriteJson(json);
        }
        return;
    }
    const bool phaseChanged = report.Phase != board.Last.Phase;
    if (phaseChanged && Sending(report)) {
        board.SendingSinceMs = ElapsedMs();
    }
    board.Last = report;
    switch (mode_) {
        case OutputMode::Json:
            UpdateJson(board, phaseChanged);
            break;
        case OutputMode::Plain:
        case OutputMode::Quiet:
            UpdatePlain(board, phaseChanged);
            break;
        case OutputMode::Terminal:
            if (phaseChanged) {
                Refresh();
            }
            break;
    }
}

void FlashOutput::Refresh() {
    if (mode_ != OutputMode::Terminal) {
        return;
    }
    QString text;
    if (drawn_) {
        text += QStringLiteral("\x1b[%1A").arg(boards_.size());  // back to the first live line
    }
    for (const Board& board : std::as_const(boards_)) {
        const QString line = LiveLine(board);
        text += QStringLiteral("\r\x1b[2K") + (run_.Columns > 1 ? line.left(run_.Columns - 1) : line) + u'\n';
    }
    drawn_ = true;
    Write(text);
}

void FlashOutput::Finish(int exitStatus) {
    QMap<QString, int> counts;
    for (const Board& board : std::as_const(boards_)) {
        ++counts[ResultName(board.Last.Result)];
    }
    if (mode_ == OutputMode::Json) {
        QJsonObject results;
        for (auto count = counts.cbegin(); count != counts.cend(); ++count) {
            results.insert(count.key(), count.value());
        }
        WriteJson({{QStringLiteral("event"), QStringLiteral("summary")},
                   {QStringLiteral("time"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)},
                   {QStringLiteral("file"), run_.ProgramPath},
                   {QStringLiteral("sha256"), run_.Sha256},
                   {QStringLiteral("boards"), static_cast<int>(boards_.size())},
                   {QStringLiteral("results"), results},
                   {QStringLiteral("status"), exitStatus}});
        return;
    }
    QString text;
    if (mode_ == OutputMode::Terminal) {  // the other modes printed each result as it came
        Refresh();
        for (const Board& board : std::as_const(boards_)) {
            text += ResultLine(board) + u'\n';
        }
    }
    text += QStringLiteral("%1 of %2 boards flashed.\n")
                .arg(counts.value(ResultName(BoardResult::Flashed)))
                .arg(boards_.size());
    Write(text);
}

// Each JSON result stands alone; a person reads the reason once, above the results.
void FlashOutput::Refuse(const QString& reason) {
    const bool json = mode_ == OutputMode::Json;
    if (!json) {
        Write(reason + u'\n');
    }
    for (int index = 0; index < boards_.size(); ++index) {
        Update({.Board = index,
                .Phase = QStringLiteral("done"),
                .Done = true,
                .Result = BoardResult::FileRefused,
                .Message = json ? reason : QString(),
                .Time = QDateTime::currentDateTimeUtc()});
    }
    Finish(static_cast<int>(BoardResult::FileRefused));
}

// The port is shortened from the left, so that the bar, the percent and the time left always fit.
int FlashOutput::PortWidth() const {
    qsizetype longest = 0;
    for (const QString& port : run_.Ports) {
        longest = std::max(longest, port.size());
    }
    const int width = static_cast<int>(longest);
    return run_.Columns > 0 ? std::min(width, std::max(kShortestPort, run_.Columns - 1 - kLiveLineFixed))
                            : width;
}

// Port, phase, bar, percent and time left; then bytes and rate as far as they fit. A board that ended shows
// its result.
QString FlashOutput::LiveLine(const Board& board) const {
    const BoardReport& r = board.Last;
    const int portWidth = PortWidth();
    const QString port = Shortened(run_.Ports.at(r.Board), portWidth).leftJustified(portWidth);
    if (r.Done) {
        return port + u' ' + ResultName(r.Result) +
               (r.Banner.isEmpty() ? QString() : QStringLiteral(", %1 started").arg(r.Banner));
    }
    const double percent = Percent(r);
    const QString line = QStringLiteral("%1 %2 [%3] %4%")
                             .arg(port)
                             .arg(r.Phase, -kPhaseWidth)
                             .arg(Bar(percent))
                             .arg(static_cast<int>(percent), 3);
    const int room = run_.Columns > 0 ? run_.Columns - 1 - static_cast<int>(line.size()) : 1 << 16;
    return line + LiveDetails(board, room);
}

QString FlashOutput::LiveDetails(const Board& board, int room) const {
    const BoardReport& r = board.Last;
    if (r.Phase == QStringLiteral("flashing")) {
        const double ticks = (DownloadEngine::kProgressMaximum - r.Progress) / DownloadEngine::kFlashStep;
        return QStringLiteral("  %1 left").arg(Duration(ticks * DownloadEngine::kFlashTickMs / 1000.0));
    }
    if (!Sending(r) || board.SendingSinceMs < 0) {
        return {};
    }
    const double seconds =
        static_cast<double>(std::max<qint64>(1, ElapsedMs() - board.SendingSinceMs)) / 1000;
    const double rate = static_cast<double>(r.Sent) / seconds;
    // The port may take the bytes faster than the line carries them; the board has them no sooner.
    const auto left = static_cast<double>(std::max<qint64>(0, r.Length - r.Sent));
    const double leftSeconds =
        std::max(rate > 0 ? left / rate : 0.0, static_cast<double>(r.Length) / kLineBytesPerSecond - seconds);
    QString details = QStringLiteral("  %1 left").arg(Duration(leftSeconds));
    for (const QString& more : {QStringLiteral("  %1/%2 B").arg(r.Sent).arg(r.Length),
                                QStringLiteral("  %1 B/s").arg(std::lround(rate))}) {
        if (details.size() + more.size() > room) {
            break;
        }
        details += more;
    }
    return details;
}

QString FlashOutput::ResultLine(const Board& board) const {
    const BoardReport& r = board.Last;
    QString line = QStringLiteral("%1: %2").arg(run_.Ports.at(r.Board), ResultName(r.Result));
    if (!r.Banner.isEmpty()) {
        line += QStringLiteral(", %1 started").arg(r.Banner);
    }
    line += QStringLiteral(" (%1 bytes of the file and %2 of filler sent in %3 s")
                .arg(FileBytesSent(r))
                .arg(r.Sent - FileBytesSent(r))
                .arg(r.Seconds, 0, 'f', 1);
    line += r.Try > 1 ? QStringLiteral(", try %1)").arg(r.Try) : QStringLiteral(")");
    if (!r.Message.isEmpty()) {
        line += QStringLiteral(": ") + QString(r.Message).replace(u'\n', u' ');
    }
    return line;
}

void FlashOutput::UpdateJson(Board& board, bool phaseChanged) {
    const BoardReport& r = board.Last;
    if (r.Done) {
        WriteJson(board, QStringLiteral("result"));
    } else if (phaseChanged) {
        WriteJson(board, QStringLiteral("phase"));
    } else if (ElapsedMs() - board.LastProgressMs >= kProgressIntervalMs) {
        board.LastProgressMs = ElapsedMs();
        WriteJson(board, QStringLiteral("progress"));
    }
}

// What every event of a board carries: when, which board on which device, which try.
QJsonObject FlashOutput::BoardJson(const BoardReport& r, const QString& event) const {
    QJsonObject json{{QStringLiteral("event"), event},
                     {QStringLiteral("time"), r.Time.toString(Qt::ISODateWithMs)},
                     {QStringLiteral("port"), run_.Ports.at(r.Board)},
                     {QStringLiteral("seconds"), r.Seconds},
                     {QStringLiteral("try"), r.Try}};
    for (const auto& [key, value] :
         {std::pair{"device", r.Device.Resolved}, std::pair{"serial-number", r.Device.SerialNumber},
          std::pair{"by-id", r.Device.ById}}) {
        if (!value.isEmpty()) {
            json.insert(QLatin1String(key), value);
        }
    }
    return json;
}

void FlashOutput::WriteJson(const Board& board, const QString& event) {
    const BoardReport& r = board.Last;
    QJsonObject json = BoardJson(r, event);
    json.insert(QStringLiteral("bytes"), r.Sent);
    if (event == QStringLiteral("result")) {
        json.insert(QStringLiteral("file"), run_.ProgramPath);
        json.insert(QStringLiteral("sha256"), run_.Sha256);
        json.insert(QStringLiteral("file-bytes"), FileBytesSent(r));
        json.insert(QStringLiteral("filler-bytes"), r.Sent - FileBytesSent(r));
    } else {
        json.insert(QStringLiteral("phase"), r.Phase);
        json.insert(QStringLiteral("percent"), Percent(r));
        json.insert(QStringLiteral("length"), r.Length);
    }
    if (r.Done || r.Phase == QStringLiteral("retrying")) {
        json.insert(QStringLiteral("result"), ResultName(r.Result));
        json.insert(QStringLiteral("status"), static_cast<int>(r.Result));
        json.insert(QStringLiteral("banner"), r.Banner);
        json.insert(QStringLiteral("message"), r.Message);
    }
    WriteJson(json);
}

void FlashOutput::WriteJson(QJsonObject json) {
    write_(QJsonDocument(json).toJson(QJsonDocument::Compact) + '\n');
}

void FlashOutput::UpdatePlain(Board& board, bool phaseChanged) {
    const BoardReport& r = board.Last;
    const QString& port = run_.Ports.at(r.Board);
    if (r.Done) {
        Write(ResultLine(board) + u'\n');
        return;
    }
    if (mode_ == OutputMode::Quiet) {
        return;
    }
    const int decile = static_cast<int>(Percent(r)) / kPlainStep;
    if (r.Phase == QStringLiteral("retrying")) {
        Write(QStringLiteral("%1: %2 after try %3: %4\n")
                  .arg(port, r.Phase)
                  .arg(r.Try)
                  .arg(ResultName(r.Result)));
    } else if (phaseChanged) {
        board.PlainDecile = 0;  // each phase counts from 0
        Write(QStringLiteral("%1: %2\n").arg(port, r.Phase));
    } else if (decile > board.PlainDecile) {
        board.PlainDecile = decile;
        Write(QStringLiteral("%1: %2 %3% (%4 of %5 bytes)\n")
                  .arg(port, r.Phase)
                  .arg(decile * kPlainStep)
                  .arg(r.Sent)
                  .arg(r.Length));
    }
}

void FlashOutput::Write(const QString& text) {
    write_(text.toUtf8());
}
