#include "Bench.h"
#include "FakePrompts.h"
#include "Pty.h"
#include "app/GuiMain.h"
#include "link/QtSerialPort.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <random>

// The terminal view of a board printing debug text at the line rate: a real pty, the real serial adapter and
// the window showing the Terminal tab. The board is a child process, so the CPU time measured is the tool's.
namespace {

constexpr double kLineRate = 5760.0;
constexpr int kWarmUpSeconds = 2;          // the view fills up to its limit before the measured time starts
constexpr qsizetype kTextBytes = 1 << 16;  // a multiple of every piece size: no piece wraps around
constexpr double kFlatMegabytesPerMinute = 0.1;
constexpr qint64 kVisibleWithinMs = 50;
constexpr double kMostBehindSeconds = 0.1;  // of the stream, at the end of the measured time
constexpr int kBoardTimeoutMs = 10000;

struct Stream {
    const char* Name;
    int PieceBytes;
    double BytesPerSecond;
    double GoalPercent;
};

constexpr Stream kStreams[] = {
    {"line rate, 1-byte pieces", 1, kLineRate, 10},
    {"line rate, 16-byte pieces", 16, kLineRate, 3},
    {"line rate, 64-byte pieces", 64, kLineRate, 2},
    {"10 x line rate, 64-byte pieces", 64, 10 * kLineRate, 6},
};

// Debug lines of 40 to 80 characters with their CR LF, as a Line Card prints them at "debug 80".
QByteArray DebugText() {
    static const char* const kFields[] = {" slot ", " agc ", " afc ", " rssi -", " sfd ", " cpe ", " crc "};
    std::mt19937 random(11);
    std::uniform_int_distribution<int> length(40, 80);
    std::uniform_int_distribution<int> value(0, 999);
    QByteArray text;
    for (int frame = 0; text.size() < kTextBytes; ++frame) {
        QByteArray line = "dbg: frame " + QByteArray::number(frame);
        const int wanted = length(random) - 2;
        for (int field = 0; line.size() < wanted; ++field) {
            line += kFields[field % std::size(kFields)] + QByteArray::number(value(random));
        }
        line.truncate(wanted);
        text += line + "\r\n";
    }
    text.truncate(kTextBytes - 2);
    return text + "\r\n";
}

qint64 PiecesFor(const Stream& stream, int seconds) {
    return static_cast<qint64>(stream.BytesPerSecond * seconds) / stream.PieceBytes;
}

timespec After(const timespec& start, double seconds) {
    const auto ns = static_cast<long long>(seconds * 1e9) + start.tv_nsec;
    return {start.tv_sec + static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

// The board: writes the pieces on time and throws away what the tool sends. Runs in a forked child of a
// threaded process, so it makes system calls only.
[[noreturn]] void WritePaced(int fd, const QByteArray& text, const Stream& stream, qint64 pieces) {
    timespec start{};
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    char drained[256];
    for (qint64 piece = 0; piece < pieces; ++piece) {
        const timespec due =
            After(start, static_cast<double>(piece * stream.PieceBytes) / stream.BytesPerSecond);
        ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr);
        const char* bytes = text.constData() + (piece * stream.PieceBytes) % text.size();
        for (ssize_t left = stream.PieceBytes; left > 0;) {
            const ssize_t written = ::write(fd, bytes, static_cast<size_t>(left));
            if (written > 0) {
                bytes += written;
                left -= written;
            } else if (errno == EAGAIN) {
                pollfd room{fd, POLLOUT, 0};
                ::poll(&room, 1, 10);
            } else {
                ::_exit(1);
            }
        }
        while (::read(fd, drained, sizeof drained) > 0) {
        }
    }
    ::_exit(0);
}

void RunEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Least-squares slope of the samples, in units per minute of one-second samples.
double SlopePerMinute(const QList<double>& samples) {
    const auto count = static_cast<double>(samples.size());
    double sumX = 0;
    double sumY = 0;
    double sumXY = 0;
    double sumXX = 0;
    for (qsizetype index = 0; index < samples.size(); ++index) {
        const auto x = static_cast<double>(index);
        sumX += x;
        sumY += samples.at(index);
        sumXY += x * samples.at(index);
        sumXX += x * x;
    }
    const double spread = count * sumXX - sumX * sumX;
    return spread > 0 ? (count * sumXY - sumX * sumY) / spread * 60 : 0;
}

// The window on its pty as the engineer uses it: the board detected, the Terminal tab on top.
struct Session {
    Pty Board;
    QtSerialPort Port;
    FakePrompts Prompts;
    GuiMain Window{Port, Prompts};
    qint64 Received = 0;
    QElapsedTimer Unshown;  // since the oldest piece the view does not show yet
    qint64 LongestUnshownMs = 0;

    bool Start() {
        qputenv("VELMORA_COM1", Board.SlavePath().toLocal8Bit());
        Window.Form_Load();
        Window.GUI_Tabs->setCurrentIndex(2);
        Window.show();
        Window.CommPortSelect->setCurrentIndex(1);
        qunsetenv("VELMORA_COM1");
        const auto handler = Port.OnComm;
        Port.OnComm = [this, handler](CommEvent event) {
            if (event == CommEvent::Receive) {
                Received += Port.Port().bytesAvailable();
                if (!Unshown.isValid()) {
                    Unshown.start();
                }
            }
            handler(event);
        };
        QObject::connect(Window.TerminalText->document(), &QTextDocument::contentsChanged, [this] {
            if (Unshown.isValid()) {
                LongestUnshownMs = std::max(LongestUnshownMs, Unshown.elapsed());
                Unshown.invalidate();
            }
        });
        Board.Write("Line Card Application Initialized\r\n");
        const bool ready = WaitFor(
            [this] {
                return Window.State.ActiveProgram == kLineCardApp && Window.windowHandle() &&
                       Window.windowHandle()->isExposed();
            },
            5000);
        LongestUnshownMs = 0;  // the window's first paint is no update of the view
        return ready;
    }

    // The tool's share of a core while the board sends the stream.
    Figure Measure(const Stream& stream, const QByteArray& text, int seconds, const QString& platform) {
        const qint64 pieces = PiecesFor(stream, kWarmUpSeconds + seconds);
        const qint64 receivedBefore = Received;
        const QString name = QStringLiteral("%1 (%2)").arg(QString::fromLatin1(stream.Name), platform);
        const QString goal = QStringLiteral("<= %1 %").arg(stream.GoalPercent);
        const pid_t writer = ::fork();
        if (writer < 0) {
            return {name, QStringLiteral("no board process"), goal, false};
        }
        if (writer == 0) {
            WritePaced(Board.MasterFd(), text, stream, pieces);
        }
        QElapsedTimer sending;
        sending.start();
        RunEventLoop(kWarmUpSeconds * 1000);
        const double cpuBefore = CpuSeconds();
        QElapsedTimer measured;
        measured.start();
        RunEventLoop(seconds * 1000);
        const double share =
            (CpuSeconds() - cpuBefore) / (static_cast<double>(measured.nsecsElapsed()) / 1e9) * 100;
        const double sentSeconds =
            std::min(static_cast<double>(sending.elapsed()) / 1000,
                     static_cast<double>(pieces * stream.PieceBytes) / stream.BytesPerSecond);
        const double behindSeconds =
            sentSeconds - static_cast<double>(Received - receivedBefore) / stream.BytesPerSecond;
        // Reading on until the board is done: it may still hold pieces the tool took late.
        int status = 0;
        if (!WaitFor([&] { return ::waitpid(writer, &status, WNOHANG) == writer; }, kBoardTimeoutMs)) {
            ::kill(writer, SIGKILL);
            ::waitpid(writer, &status, 0);
        }
        RunEventLoop(200);  // the last pieces
        const bool keptUp = behindSeconds <= kMostBehindSeconds && WIFEXITED(status) &&
                            WEXITSTATUS(status) == 0 &&
                            Received - receivedBefore == pieces * stream.PieceBytes;
        return {name,
                QStringLiteral("%1 % of a core%2")
                    .arg(share, 0, 'f', 2)
                    .arg(keptUp ? QString() : QStringLiteral(", %1 s behind").arg(behindSeconds, 0, 'f', 2)),
                goal, keptUp && share <= stream.GoalPercent};
    }
};

}  // namespace

QList<Figure> LineRateFigures(int secondsPerStream) {
    const QString platform = QGuiApplication::platformName();
    Session session;
    if (!session.Start()) {
        return {
            {QStringLiteral("line rate (%1)").arg(platform), QStringLiteral("no session"), QString(), false}};
    }
    const QByteArray text = DebugText();
    QList<double> resident;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&resident] { resident << ResidentMegabytes(); });
    sampler.start(1000);
    QList<Figure> figures;
    for (const Stream& stream : kStreams) {
        figures << session.Measure(stream, text, secondsPerStream, platform);
    }
    sampler.stop();
    const double slope = SlopePerMinute(resident.mid(kWarmUpSeconds));
    figures << Figure{QStringLiteral("view update after arrival (%1)").arg(platform),
                      QStringLiteral("%1 ms at most").arg(session.LongestUnshownMs),
                      QStringLiteral("<= %1 ms").arg(kVisibleWithinMs),
                      session.LongestUnshownMs <= kVisibleWithinMs};
    figures << Figure{QStringLiteral("resident memory, line-rate rows (%1)").arg(platform),
                      QStringLiteral("%1 MB, %2 MB/min over %3 s")
                          .arg(resident.isEmpty() ? 0 : resident.last(), 0, 'f', 1)
                          .arg(slope, 0, 'f', 2)
                          .arg(resident.size()),
                      QStringLiteral("flat (< %1 MB/min)").arg(kFlatMegabytesPerMinute),
                      std::abs(slope) < kFlatMegabytesPerMinute};
    return figures;
}
