#include "AdapterBoard.h"
#include "Bench.h"
#include "Pty.h"
#include "StatusLag.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <map>
#include <memory>
#include <thread>

// velmora-rack watching 32 CPEs, each writing debug output at the line rate through an adapter as the
// status-lag row's board does: its CPU and memory, how soon a hook event is printed as JSON, the bytes
// logged, /metrics.
namespace {

constexpr int kBoards = 32;
constexpr int kAdapterTickMs = 16;
constexpr int kEventEveryMs = 500;
constexpr int kRssEveryMs = 10000;
constexpr int kScrapes = 20;
constexpr double kMostCpuPercent = 10;
constexpr double kMostRssMb = 64;
constexpr double kMedianLagMs = 50;
constexpr double kLargestLagMs = 200;
constexpr double kMetricsMs = 10;
const QByteArray kBanner = "CPE Application Initialized\r\n";

using Clock = AdapterBoard::Clock;

// CPU seconds (user and system) the process has used so far.
double CpuSecondsOf(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray text = stat.readAll();
    // The fields after the command name, which is in parentheses: utime and stime are the 12th and 13th.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12
               ? (fields[11].toDouble() + fields[12].toDouble()) / static_cast<double>(::sysconf(_SC_CLK_TCK))
               : 0;
}

double ResidentMbOf(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').constFirst().toDouble() / 1024.0;
        }
    }
    return 0;
}

quint16 FreePort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

// One GET of /metrics over a fresh connection, until the whole body is in: its time in ms, -1 on failure.
double TimedScrapeMs(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const timeval patience{5, 0};  // a rack that stops answering fails the scrape instead of the bench
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
    QElapsedTimer clock;
    clock.start();
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    const char request[] = "GET /metrics HTTP/1.1\r\nHost: localhost\r\n\r\n";
    if (::write(fd, request, sizeof request - 1) != static_cast<ssize_t>(sizeof request - 1)) {
        ::close(fd);
        return -1;
    }
    QByteArray response;
    char chunk[65536];
    for (;;) {
        const qsizetype headerEnd = response.indexOf("\r\n\r\n");
        const qsizetype lengthAt = response.toLower().indexOf("content-length:");
        if (headerEnd >= 0 && lengthAt >= 0 &&
            response.size() >=
                headerEnd + 4 + response.mid(lengthAt + 15, 12).trimmed().split('\r')[0].toLongLong()) {
            break;
        }
        const ssize_t count = ::read(fd, chunk, sizeof chunk);
        if (count <= 0) {
            ::close(fd);
            return -1;
        }
        response.append(chunk, count);
    }
    ::close(fd);
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

// What the rack printed: each board's line 1 hook texts as they came, and how many boards opened and took
// their CPE for one.
struct Heard {
    std::map<QString, std::vector<std::pair<Clock::time_point, QString>>> Hooks;
    int Opened = 0;
    int Detected = 0;
};

void ReadEvents(QProcess& rack, Heard& heard) {
    while (rack.canReadLine()) {
        const Clock::time_point now = Clock::now();
        const QJsonObject event = QJsonDocument::fromJson(rack.readLine()).object();
        const QString kind = event.value(QStringLiteral("event")).toString();
        const QString value = event.value(QStringLiteral("value")).toString();
        if (kind == QStringLiteral("port_open")) {
            ++heard.Opened;
        } else if (kind == QStringLiteral("program") && value == QStringLiteral("cpe")) {
            ++heard.Detected;
        } else if (kind == QStringLiteral("field") &&
                   event.value(QStringLiteral("field")).toString() == QStringLiteral("line1_hook")) {
            heard.Hooks[event.value(QStringLiteral("board")).toString()].emplace_back(now, value);
        }
    }
}

QString Ms(double ms) {
    return QStringLiteral("%1 ms").arg(ms, 0, 'f', 1);
}

}  // namespace

QList<Figure> RackFigures(int seconds) {
    QTemporaryDir logs;
    std::vector<std::unique_ptr<Pty>> ptys;
    const quint16 metricsPort = FreePort();
    QStringList arguments{QStringLiteral("--json"), QStringLiteral("--log-dir"), logs.path(),
                          QStringLiteral("--metrics"), QStringLiteral("127.0.0.1:%1").arg(metricsPort)};
    QStringList names;
    for (int board = 0; board < kBoards; ++board) {
        ptys.push_back(std::make_unique<Pty>());
        names << QStringLiteral("b%1").arg(board, 2, 10, QLatin1Char('0'));
        arguments << names.last() + u'=' + ptys.back()->SlavePath();
    }
    QProcess rack;
    Heard heard;
    QObject::connect(&rack, &QProcess::readyReadStandardOutput, [&] { ReadEvents(rack, heard); });
    rack.start(QStringLiteral(VELMORA_RACK_PATH), arguments);
    const qint64 pid = rack.processId();
    if (!WaitFor([&] { return heard.Opened == kBoards; }, 20000)) {
        return {{QStringLiteral("rack: %1 boards").arg(kBoards), QStringLiteral("ports did not open"),
                 QString(), false}};
    }
    for (const auto& pty : ptys) {
        pty->Write(kBanner);
    }
    if (!WaitFor([&] { return heard.Detected == kBoards; }, 20000)) {
        return {{QStringLiteral("rack: %1 boards").arg(kBoards), QStringLiteral("CPEs not detected"),
                 QString(), false}};
    }

    std::vector<std::unique_ptr<AdapterBoard>> boards;
    const StatusLagRun run{
        .Seconds = seconds, .EventEveryMs = kEventEveryMs, .AdapterTickMs = kAdapterTickMs};
    for (const auto& pty : ptys) {
        boards.push_back(std::make_unique<AdapterBoard>(pty->MasterFd(), run));
        boards.back()->Start();
    }
    QList<double> rss{ResidentMbOf(pid)};
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] { rss << ResidentMbOf(pid); });
    sampler.start(kRssEveryMs);
    // Scrapes from a thread of their own, spread over the run, so the event loop reads the rack's events
    // meanwhile.
    QList<double> scrapes;
    std::thread scraper([&] {
        for (int scrape = 0; scrape < kScrapes; ++scrape) {
            std::this_thread::sleep_for(std::chrono::milliseconds(seconds * 1000 / (kScrapes + 1)));
            scrapes << TimedScrapeMs(metricsPort);
        }
    });
    const double cpuBefore = CpuSecondsOf(pid);
    QElapsedTimer wall;
    wall.start();
    RunEventLoop(seconds * 1000);
    const double cpuPercent =
        (CpuSecondsOf(pid) - cpuBefore) / (static_cast<double>(wall.elapsed()) / 1000) * 100;
    rss << ResidentMbOf(pid);
    sampler.stop();
    // The boards stop one after another, each at its next tick: the events printed meanwhile are read as
    // they come, not after the last board has stopped.
    std::atomic<bool> stopped = false;
    std::thread stopping([&] {
        for (const auto& board : boards) {
            board->Stop();
        }
        stopped = true;
    });
    WaitFor([&] { return stopped.load(); }, 10000);
    stopping.join();
    scraper.join();
    RunEventLoop(1000);  // the last pieces reach the logs
    ::kill(static_cast<pid_t>(pid), SIGTERM);
    rack.waitForFinished(10000);
    ReadEvents(rack, heard);

    QList<double> lags;
    int exactLogs = 0;
    for (int board = 0; board < kBoards; ++board) {
        lags << EventLags(boards[board]->EventTimes(), heard.Hooks[names[board]]);
        const qint64 logged =
            QFileInfo(QDir(logs.path()).filePath(names[board] + QStringLiteral(".log"))).size();
        exactLogs += logged == kBanner.size() + boards[board]->BytesWritten() ? 1 : 0;
    }
    const bool allShown = !lags.contains(-1.0) && !lags.isEmpty();
    const double median = Quantile(lags, 0.5);
    const double largest = Quantile(lags, 1);
    const double rssMost = *std::max_element(rss.begin(), rss.end());
    const bool scraped = !scrapes.isEmpty() && !scrapes.contains(-1.0);
    return {
        {QStringLiteral("rack: CPU, %1 boards at the line rate").arg(kBoards),
         QStringLiteral("%1 % of a core").arg(cpuPercent, 0, 'f', 1),
         QStringLiteral("<= %1 %").arg(kMostCpuPercent), cpuPercent <= kMostCpuPercent},
        {QStringLiteral("rack: resident memory first / last / most"),
         QStringLiteral("%1 / %2 / %3 MB")
             .arg(rss.first(), 0, 'f', 1)
             .arg(rss.last(), 0, 'f', 1)
             .arg(rssMost, 0, 'f', 1),
         QStringLiteral("< %1 MB, flat").arg(kMostRssMb),
         rssMost < kMostRssMb && rss.last() <= rss.first() * 1.2},
        {QStringLiteral("rack: status lag over %1 s, %2 events: median").arg(seconds).arg(lags.size()),
         Ms(median) + (allShown ? QString() : QStringLiteral(", some never shown")),
         QStringLiteral("< %1 ms").arg(kMedianLagMs), allShown && median < kMedianLagMs},
        {QStringLiteral("rack: status lag: 99th percentile / largest"),
         Ms(Quantile(lags, 0.99)) + QStringLiteral(" / ") + Ms(largest),
         QStringLiteral("largest < %1 ms").arg(kLargestLagMs), allShown && largest < kLargestLagMs},
        {QStringLiteral("rack: logs equal to the bytes sent"),
         QStringLiteral("%1 of %2 boards").arg(exactLogs).arg(kBoards), QStringLiteral("all"),
         exactLogs == kBoards},
        {QStringLiteral("rack: /metrics, %1 scrapes: median / largest").arg(scrapes.size()),
         scraped ? Ms(Quantile(scrapes, 0.5)) + QStringLiteral(" / ") + Ms(Quantile(scrapes, 1))
                 : QStringLiteral("failed"),
         QStringLiteral("< %1 ms").arg(kMetricsMs), scraped && Quantile(scrapes, 1) < kMetricsMs},
    };
}
