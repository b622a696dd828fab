#include "Bench.h"
#include "StatusLag.h"

#include <algorithm>

// The status against a CPE whose debug output fills the line, delivered through a USB serial adapter with its
// usual 16 ms latency: from the board writing an event line to its field showing it.
namespace {

constexpr int kAdapterTickMs = 16;
constexpr double kMedianAboveTickMs = 20;
constexpr double kLargestMs = 100;

QString Ms(double ms) {
    return QStringLiteral("%1 ms").arg(ms, 0, 'f', 1);
}

}  // namespace

QList<Figure> StatusLagFigures(int seconds) {
    const StatusLagResult result = MeasureStatusLag({.Seconds = seconds, .EventEveryMs = 1000});
    if (!result.Started || result.LagsMs.isEmpty()) {
        return {{QStringLiteral("status lag"), QStringLiteral("no session"), QString(), false}};
    }
    const QList<double>& lags = result.LagsMs;
    const qsizetype tenth = std::max<qsizetype>(1, lags.size() / 10);
    const double median = Quantile(lags, 0.5);
    const double largest = Quantile(lags, 1);
    const double firstTenth = Quantile(lags.first(tenth), 0.5);
    const double lastTenth = Quantile(lags.last(tenth), 0.5);
    const bool allShown = !lags.contains(-1.0);
    return {
        {QStringLiteral("status lag over %1 s, %2 events: median").arg(seconds).arg(lags.size()),
         Ms(median) + (allShown ? QString() : QStringLiteral(", some never shown")),
         QStringLiteral("< %1 ms").arg(kAdapterTickMs + kMedianAboveTickMs),
         allShown && median < kAdapterTickMs + kMedianAboveTickMs},
        {QStringLiteral("status lag: largest"), Ms(largest), QStringLiteral("< %1 ms").arg(kLargestMs),
         allShown && largest < kLargestMs},
        {QStringLiteral("status lag: median, first / last tenth of the run"),
         Ms(firstTenth) + QStringLiteral(" / ") + Ms(lastTenth), QStringLiteral("no growth"),
         lastTenth <= firstTenth + kAdapterTickMs},
        {QStringLiteral("receive buffer after a piece: most held / pieces with a line left"),
         QStringLiteral("%1 characters / %2 of %3").arg(result.MostBuffered).arg(result.PiecesLeavingALine).arg(
             result.Pieces),
         QStringLiteral("an unfinished line / 0"), result.PiecesLeavingALine == 0},
    };
}
