#include "flash/FlashOutput.h"

#include "download/DownloadEngine.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int kBarWidth = 20;
constexpr qint64 kProgressIntervalMs = 100;  // JSON progress at most ten times a second per board
constexpr int kPlainStep = 10;

QString Duration(double seconds) {
    const int whole = static_cast<int>(std::ceil(seconds));
    return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

QString Bar(double percent) {
    const int filled = static_cast<int>(percent * kBarWidth / DownloadEngine::kProgressMaximum);
    return QString(filled, u'#') + QString(kBarWidth - filled, u'-');
}

}  // namespace

FlashOutput::FlashOutput(OutputMode mode, Run run, std::function<void(const QByteArray&)> write)
    : mode_(mode), run_(std::move(run)), write_(std::move(write)) {
    clock_.start();
    for (int index = 0; index < run_.Ports.size(); ++index) {
        boards_.append(Board{.Last = BoardReport{.Board = index, .Phase = QStringLiteral("waiting")}});
    }
}

void FlashOutput::Update(const BoardReport& report) {
    Board& board = boards_[report.Board];
    const bool phaseChanged = report.Phase != board.Last.Phase;
    if (phaseChanged && report.Phase == QStringLiteral("sending")) {
        board.SendingSinceMs = clock_.elapsed();
    }
    board.Last = report;
    switch (mode_) {
        case OutputMode::Json:
            if (report.Done) {
                WriteJson(board, QStringLiteral("result"));
            } else if (phaseChanged) {
                WriteJson(board, QStringLiteral("phase"));
            } else if (clock_.elapsed() - board.LastProgressMs >= kProgressIntervalMs) {
                board.LastProgressMs = clock_.elapsed();
                WriteJson(board, QStringLiteral("progress"));
            }
            break;
        case OutputMode::Plain:
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

void FlashOutput::Finish() {
    if (mode_ == OutputMode::Json) {
        return;
    }
    Refresh();
    QString text;
    int flashed = 0;
    for (const Board& board : std::as_const(boards_)) {
        text += ResultLine(board) + u'\n';
        flashed += board.Last.Done && board.Last.Result == BoardResult::Flashed ? 1 : 0;
    }
    text += QStringLiteral("%1 of %2 boards flashed.\n").arg(flashed).arg(boards_.size());
    Write(text);
}

// Port, phase, bar, percent, bytes, rate and time left.
QString FlashOutput::LiveLine(const Board& board) const {
    const BoardReport& r = board.Last;
    QString line = QStringLiteral("%1 %2 [%3] %4%")
                       .arg(run_.Ports.at(r.Board), -16)
                       .arg(r.Phase, -9)
                       .arg(Bar(r.Progress))
                       .arg(static_cast<int>(r.Progress), 3);
    if (r.Phase == QStringLiteral("sending") && board.SendingSinceMs >= 0) {
        const auto sendingMs = static_cast<double>(std::max<qint64>(1, clock_.elapsed() - board.SendingSinceMs));
        const double rate = static_cast<double>(r.Sent) * 1000 / sendingMs;
        line += QStringLiteral("  %1/%2 B  %3 B/s").arg(r.Sent).arg(r.Length).arg(std::lround(rate));
        if (rate > 0) {
            const auto left = static_cast<double>(std::max<qint64>(0, r.Length - r.Sent));
            line += QStringLiteral("  %1 left").arg(Duration(left / rate));
        }
    } else if (r.Phase == QStringLiteral("flashing")) {
        const double ticks = (DownloadEngine::kProgressMaximum - r.Progress) / DownloadEngine::kFlashStep;
        line += QStringLiteral("  %1 left").arg(Duration(ticks * DownloadEngine::kFlashTickMs / 1000.0));
    }
    return line;
}

QString FlashOutput::ResultLine(const Board& board) const {
    const BoardReport& r = board.Last;
    QString line = QStringLiteral("%1: %2").arg(run_.Ports.at(r.Board), ResultName(r.Result));
    if (!r.Banner.isEmpty()) {
        line += QStringLiteral(", %1 started").arg(r.Banner);
    }
    line += QStringLiteral(" (%1 bytes sent in %2 s)").arg(r.Sent).arg(r.Seconds, 0, 'f', 1);
    if (!r.Message.isEmpty()) {
        line += QStringLiteral(": ") + QString(r.Message).replace(u'\n', u' ');
    }
    return line;
}

void FlashOutput::WriteJson(const Board& board, const QString& event) {
    const BoardReport& r = board.Last;
    QJsonObject json{{QStringLiteral("event"), event},
                     {QStringLiteral("port"), run_.Ports.at(r.Board)},
                     {QStringLiteral("seconds"), r.Seconds}};
    if (event == QStringLiteral("result")) {
        json.insert(QStringLiteral("file"), run_.ProgramPath);
        json.insert(QStringLiteral("sha256"), run_.Sha256);
        json.insert(QStringLiteral("bytes"), r.Sent);
        json.insert(QStringLiteral("result"), ResultName(r.Result));
        json.insert(QStringLiteral("status"), static_cast<int>(r.Result));
        json.insert(QStringLiteral("banner"), r.Banner);
        json.insert(QStringLiteral("message"), r.Message);
    } else {
        json.insert(QStringLiteral("phase"), r.Phase);
        json.insert(QStringLiteral("percent"), r.Progress);
        json.insert(QStringLiteral("bytes"), r.Sent);
        json.insert(QStringLiteral("length"), r.Length);
    }
    write_(QJsonDocument(json).toJson(QJsonDocument::Compact) + '\n');
}

void FlashOutput::UpdatePlain(Board& board, bool phaseChanged) {
    const BoardReport& r = board.Last;
    if (r.Done) {
        return;  // the result line follows at the end
    }
    const int decile = static_cast<int>(r.Progress) / kPlainStep;
    if (phaseChanged) {
        board.PlainDecile = 0;  // each phase counts from 0
        Write(QStringLiteral("%1: %2\n").arg(run_.Ports.at(r.Board), r.Phase));
    } else if (decile > board.PlainDecile) {
        board.PlainDecile = decile;
        Write(QStringLiteral("%1: %2 %3% (%4 of %5 bytes)\n")
                  .arg(run_.Ports.at(r.Board), r.Phase)
                  .arg(decile * kPlainStep)
                  .arg(r.Sent)
                  .arg(r.Length));
    }
}

void FlashOutput::Write(const QString& text) { write_(text.toUtf8()); }
