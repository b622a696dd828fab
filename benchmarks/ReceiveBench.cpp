#include "Bench.h"
#include "TestWindow.h"
#include "app/TerminalView.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <random>

namespace {

constexpr qsizetype kTotalBytes = 10 * 1024 * 1024;
constexpr int kMaxPiece = 4096;
constexpr double kLineRate = 5760.0;

// Console text as a busy Line Card prints it: poll replies, events and debug chatter.
QByteArray RealisticConsole() {
    const QByteArrayList lines = {
        "FF28: 5A 34 25 2E",
        "FF12: 2D 00 00 00 00 00 00 00",
        "battery: 48.2V",
        "temperature: 001F",
        "Subscriber 02 Channel 01 OFF HOOK",
        "Subscriber 01 SFD Loss Count: 0003",
        "op_status: 00010202",
        "hook_state: 0101010101000101",
        "ring_state: 0100000000000000",
        "Subscriber 03 Ranging Completed Successfully",
        "dbg: frame 4711 slot 2 crc ok agc 37 afc -2",
        "    Version:  Line Card App 4.12",
        "0004: 05",
    };
    QByteArray text;
    text.reserve(kTotalBytes + 100);
    for (qsizetype line = 0; text.size() < kTotalBytes; ++line) {
        text += lines.at(line % lines.size()) + "\r\n";
    }
    text.truncate(kTotalBytes);
    return text;
}

}  // namespace

QList<Figure> ReceiveFigures() {
    const QByteArray console = RealisticConsole();
    TestWindow t;
    t.Running(kLineCardApp);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> pieceSize(1, kMaxPiece);
    const qsizetype tenth = console.size() / 10;
    qint64 firstTenthNs = 0;
    qint64 lastTenthNs = 0;
    QElapsedTimer total;
    total.start();
    for (qsizetype offset = 0; offset < console.size();) {
        const qsizetype size = std::min<qsizetype>(pieceSize(random), console.size() - offset);
        QElapsedTimer piece;
        piece.start();
        t.Port.Receive(console.mid(offset, size));
        QCoreApplication::processEvents();  // the view catches up on its timer, as in the event loop
        const qint64 ns = piece.nsecsElapsed();
        firstTenthNs += offset < tenth ? ns : 0;
        lastTenthNs += offset >= console.size() - tenth ? ns : 0;
        offset += size;
    }
    const double seconds = static_cast<double>(total.nsecsElapsed()) / 1e9;
    const double bytesPerSecond = static_cast<double>(console.size()) / seconds;
    const double growth = static_cast<double>(lastTenthNs) / static_cast<double>(std::max<qint64>(firstTenthNs, 1));
    t.Window.SyncTerminalView();
    const qsizetype view = t.Window.TerminalText->toPlainText().size();
    const double peak = PeakResidentMegabytes();
    return {
        {QStringLiteral("receive throughput (10 MB, pieces 1-4096)"),
         QStringLiteral("%1 KB/s = %2 x line").arg(bytesPerSecond / 1000, 0, 'f', 0).arg(bytesPerSecond / kLineRate, 0, 'f', 0),
         QStringLiteral(">= 100 x line rate"), bytesPerSecond >= 100 * kLineRate},
        {QStringLiteral("receive cost, last tenth / first tenth"), QStringLiteral("%1").arg(growth, 0, 'f', 2),
         QStringLiteral("about 1 (no growth)"), growth < 1.5},
        {QStringLiteral("terminal view after 10 MB"), QStringLiteral("%1 characters").arg(view),
         QStringLiteral("bounded (~10000)"), view <= 10000 + kMaxPiece},
        {QStringLiteral("peak resident memory (receive run)"), QStringLiteral("%1 MB").arg(peak, 0, 'f', 1),
         QStringLiteral("bounded"), peak < 200},
    };
}
