#include "Bench.h"
#include "FakePrompts.h"
#include "Pty.h"
#include "app/GuiMain.h"
#include "app/TerminalView.h"
#include "link/QtSerialPort.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <functional>
#include <optional>
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

timespec Now() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return now;
}

double SecondsBetween(const timespec& from, const timespec& to) {
    return static_cast<double>(to.tv_sec - from.tv_sec) + static_cast<double>(to.tv_nsec - from.tv_nsec) / 1e9;
}

// When the board writes the piece that holds the stream's byte `index`.
double DueSeconds(const Stream& stream, qint64 index) {
    return static_cast<double>(index / stream.PieceBytes * stream.PieceBytes) / stream.BytesPerSecond;
}

// The board: writes the pieces on time and throws away what the tool sends. Runs in a forked child of a
// threaded process, so it makes system calls only.
[[noreturn]] void WritePaced(int fd, const QByteArray& text, const Stream& stream, qint64 pieces,
                             const timespec& start) {
    char drained[256];
    for (qint64 piece = 0; piece < pieces; ++piece) {
        const timespec due = After(start, DueSeconds(stream, piece * stream.PieceBytes));
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

struct PacedRun {
    double Share = 0;        // of a core, in percent, over the measured time
    double SentSeconds = 0;  // of the stream, by the end of the measured time
    qint64 Bytes = 0;        // the whole stream, warm-up included
    bool WriterDone = false;  // the board wrote all of it
};

// Plays the board on `fd` from `start` for the warm-up and the measured time, measuring `cpuSeconds` over the
// latter; `measuredEnd` runs as the measured time ends. Reads on until the board is done: it may still hold
// pieces the reader took late.
PacedRun RunPaced(int fd, const Stream& stream, const QByteArray& text, int seconds,
                  const std::function<double()>& cpuSeconds, const std::function<void()>& measuredEnd,
                  const timespec& start = Now()) {
    const qint64 pieces = PiecesFor(stream, kWarmUpSeconds + seconds);
    PacedRun run;
    run.Bytes = pieces * stream.PieceBytes;
    const pid_t writer = ::fork();
    if (writer < 0) {
        return run;
    }
    if (writer == 0) {
        WritePaced(fd, text, stream, pieces, start);
    }
    QElapsedTimer sending;
    sending.start();
    RunEventLoop(kWarmUpSeconds * 1000);
    const double cpuBefore = cpuSeconds();
    QElapsedTimer measured;
    measured.start();
    RunEventLoop(seconds * 1000);
    run.Share = (cpuSeconds() - cpuBefore) / (static_cast<double>(measured.nsecsElapsed()) / 1e9) * 100;
    run.SentSeconds = std::min(static_cast<double>(sending.elapsed()) / 1000,
                               static_cast<double>(run.Bytes) / stream.BytesPerSecond);
    measuredEnd();
    int status = 0;
    if (!WaitFor([&] { return ::waitpid(writer, &status, WNOHANG) == writer; }, kBoardTimeoutMs)) {
        ::kill(writer, SIGKILL);
        ::waitpid(writer, &status, 0);
    }
    run.WriterDone = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
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

// Calls back when the watched widget paints: the moment text reaches the engineer's eyes.
struct PaintWatch : QObject {
    std::function<void()> OnPaint;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && OnPaint) {
            OnPaint();
        }
        return false;
    }
};

// The window on its pty as the engineer uses it: the board detected, the Terminal tab on top.
struct WindowUnderLoad {
    Pty Board;
    QtSerialPort Port;
    FakePrompts Prompts;
    GuiMain Window{Port, Prompts};
    qint64 Received = 0;
    // The stream being played: when it started and how much had been received before it.
    const Stream* Playing = nullptr;
    timespec StreamStart{};
    qint64 ReceivedBeforeStream = 0;
    std::optional<double> Unshown;  // when the board wrote the oldest byte read that the view does not show yet
    QList<double> ShownAfterMs;  // from the board's write to the paint that showed it, per paint
    PaintWatch Painted;

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
                if (!Unshown && Playing) {
                    Unshown = DueSeconds(*Playing, Received - ReceivedBeforeStream);
                }
                Received += Port.InputAvailable();
            }
            handler(event);
        };
        Window.TerminalText->viewport()->installEventFilter(&Painted);
        Painted.OnPaint = [this] {
            if (Unshown) {
                ShownAfterMs << (SecondsBetween(StreamStart, Now()) - *Unshown) * 1000;
                Unshown.reset();
            }
        };
        Board.Write("Line Card Application Initialized\r\n");
        const bool ready = WaitFor(
            [this] {
                return Window.Session.State.ActiveProgram == kLineCardApp && Window.windowHandle() &&
                       Window.windowHandle()->isExposed();
            },
            5000);
        return ready;
    }

    // The tool's share of a core while the board sends the stream, and whether it kept up.
    QString Measure(const Stream& stream, const QByteArray& text, int seconds, double& share) {
        const qint64 receivedBefore = Received;
        qint64 receivedInTime = 0;
        Playing = &stream;
        Unshown.reset();
        StreamStart = Now();
        ReceivedBeforeStream = Received;
        const PacedRun run = RunPaced(
            Board.MasterFd(), stream, text, seconds, CpuSeconds, [&] { receivedInTime = Received - receivedBefore; },
            StreamStart);
        RunEventLoop(200);  // the last pieces
        Playing = nullptr;
        share = run.Share;
        const double behindSeconds =
            run.SentSeconds - static_cast<double>(receivedInTime) / stream.BytesPerSecond;
        const bool keptUp = behindSeconds <= kMostBehindSeconds && run.WriterDone &&
                            Received - receivedBefore == run.Bytes;
        return keptUp ? QString() : QStringLiteral(", %1 s behind").arg(behindSeconds, 0, 'f', 2);
    }
};

// CuteCom, a general-purpose Qt serial terminal, on a pty of its own for a side-by-side comparison, with a
// settings directory of its own that names that pty as its only device. It is opened by its Open button's
// key, which only an X server takes, so it runs on DISPLAY whatever platform the tool runs on.
class CuteCom {
public:
    CuteCom() = default;
    CuteCom(const CuteCom&) = delete;
    CuteCom& operator=(const CuteCom&) = delete;
    ~CuteCom() {
        process_.kill();
        process_.waitForFinished(kBoardTimeoutMs);
    }

    // False when cutecom, xdotool or an X server is missing, or when it did not open the pty.
    bool Start() {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || QStandardPaths::findExecutable(QStringLiteral("cutecom")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty() || !home_.isValid() ||
            !WriteSettings()) {
            return false;
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home_.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        process_.setProcessEnvironment(environment);
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.setStandardErrorFile(QProcess::nullDevice());
        process_.start(QStringLiteral("cutecom"), {});
        const QByteArray window = Xdotool({QStringLiteral("search"), QStringLiteral("--sync"),
                                           QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                           QString::number(process_.processId()), QStringLiteral("--name"),
                                           QStringLiteral("CuteCom")})
                                      .split('\n')
                                      .first();
        if (window.isEmpty()) {
            return false;
        }
        Xdotool({QStringLiteral("windowfocus"), QString::fromLatin1(window), QStringLiteral("key"),
                 QStringLiteral("alt+o")});
        const bool opened = WaitFor([this] { return HoldsOnlyPtys() && OpenTerminals().contains(board_.SlavePath()); },
                                    kBoardTimeoutMs);
        // It reports the modem lines a pty lacks in a message box and reads on behind it; closing the box would
        // close the port.
        return opened && HoldsOnlyPtys();
    }

    int MasterFd() const { return board_.MasterFd(); }

    double CpuSeconds() const {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(process_.processId()));
        if (!stat.open(QIODevice::ReadOnly)) {
            return 0;
        }
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        constexpr int kUserTime = 11;  // utime and stime, the 14th and 15th fields of the line
        return fields.size() > kUserTime + 1 ? (fields.at(kUserTime).toDouble() + fields.at(kUserTime + 1).toDouble()) /
                                                   static_cast<double>(::sysconf(_SC_CLK_TCK))
                                             : 0;
    }

private:
    bool WriteSettings() {
        QDir(home_.path()).mkpath(QStringLiteral("CuteCom"));
        QFile settings(home_.filePath(QStringLiteral("CuteCom/CuteCom5.conf")));
        return settings.open(QIODevice::WriteOnly) &&
               settings.write("[sessions]\n1\\BaudRate=57600\n1\\DataBits=8\n1\\Device=" +
                              board_.SlavePath().toLocal8Bit() +
                              "\n1\\FlowControl=0\n1\\OpenMode=3\n1\\Parity=0\n1\\StopBits=1\n"
                              "1\\autoReconnect=false\n1\\name=Default\n1\\showCtrlCharacters=false\n"
                              "1\\showTimestamp=false\nsize=1\n") > 0;
    }

    static QByteArray Xdotool(const QStringList& arguments) {
        QProcess xdotool;
        xdotool.start(QStringLiteral("xdotool"), arguments);
        if (!xdotool.waitForFinished(kBoardTimeoutMs)) {
            xdotool.kill();
            xdotool.waitForFinished();
        }
        return xdotool.readAllStandardOutput().trimmed();
    }

    // Beside its own pty it may hold ptys it inherited, but never a real port.
    bool HoldsOnlyPtys() const {
        const QStringList terminals = OpenTerminals();
        return std::all_of(terminals.cbegin(), terminals.cend(),
                           [](const QString& terminal) { return terminal.startsWith(QStringLiteral("/dev/pts/")); });
    }

    QStringList OpenTerminals() const {
        QStringList terminals;
        const QDir descriptors(QStringLiteral("/proc/%1/fd").arg(process_.processId()));
        for (const QFileInfo& descriptor : descriptors.entryInfoList(QDir::Files | QDir::System)) {
            const QString target = descriptor.symLinkTarget();
            if (target.startsWith(QStringLiteral("/dev/tty")) || target.startsWith(QStringLiteral("/dev/pts/"))) {
                terminals << target;
            }
        }
        return terminals;
    }

    Pty board_;
    QTemporaryDir home_;
    QProcess process_;
};

}  // namespace

QList<Figure> LineRateFigures(int secondsPerStream) {
    const QString platform = QGuiApplication::platformName();
    WindowUnderLoad session;
    if (!session.Start()) {
        return {
            {QStringLiteral("line rate (%1)").arg(platform), QStringLiteral("no session"), QString(), false}};
    }
    CuteCom reference;
    const bool compared = reference.Start();
    const QByteArray text = DebugText();
    QList<double> resident;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&resident] { resident << ResidentMegabytes(); });
    sampler.start(1000);
    QList<Figure> figures;
    if (!compared) {
        figures << Figure{QStringLiteral("CuteCom side by side"), QStringLiteral("not run"),
                          QStringLiteral("needs cutecom, xdotool, X"), true};
    }
    for (const Stream& stream : kStreams) {
        double share = 0;
        const QString lag = session.Measure(stream, text, secondsPerStream, share);
        const QString name = QStringLiteral("%1 (%2)").arg(QString::fromLatin1(stream.Name), platform);
        const QString value = QStringLiteral("%1 % of a core%2").arg(share, 0, 'f', 2).arg(lag);
        if (!compared) {
            figures << Figure{name, value, QStringLiteral("<= %1 %").arg(stream.GoalPercent),
                              lag.isEmpty() && share <= stream.GoalPercent};
            continue;
        }
        const PacedRun other = RunPaced(reference.MasterFd(), stream, text, secondsPerStream,
                                        [&reference] { return reference.CpuSeconds(); }, [] {});
        figures << Figure{name,
                          QStringLiteral("%1, CuteCom %2 %, ratio %3")
                              .arg(value)
                              .arg(other.Share, 0, 'f', 2)
                              .arg(share / other.Share, 0, 'f', 2),
                          QStringLiteral("ratio <= 0.5"), lag.isEmpty() && share <= other.Share / 2};
    }
    sampler.stop();
    const double slope = SlopePerMinute(resident.mid(kWarmUpSeconds));
    QList<double> shownAfter = session.ShownAfterMs;
    std::sort(shownAfter.begin(), shownAfter.end());
    const double longest = shownAfter.isEmpty() ? 0 : shownAfter.last();
    figures << Figure{QStringLiteral("view update after the board's write (%1)").arg(platform),
                      QStringLiteral("median %1 ms, %2 ms at most")
                          .arg(shownAfter.isEmpty() ? 0 : shownAfter.at(shownAfter.size() / 2), 0, 'f', 1)
                          .arg(longest, 0, 'f', 1),
                      QStringLiteral("<= %1 ms").arg(kVisibleWithinMs), longest <= kVisibleWithinMs};
    figures << Figure{QStringLiteral("resident memory, line-rate rows (%1)").arg(platform),
                      QStringLiteral("%1 MB, %2 MB/min over %3 s")
                          .arg(resident.isEmpty() ? 0 : resident.last(), 0, 'f', 1)
                          .arg(slope, 0, 'f', 2)
                          .arg(resident.size()),
                      QStringLiteral("flat (< %1 MB/min)").arg(kFlatMegabytesPerMinute),
                      std::abs(slope) < kFlatMegabytesPerMinute};
    return figures;
}
