#include "StatusLag.h"

#include "FakePrompts.h"
#include "Pty.h"
#include "app/GuiMain.h"
#include "link/QtSerialPort.h"

#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

const std::string kHookEvents[] = {"Channel 00 OFF HOOK\r\n", "Channel 00 ON HOOK\r\n"};
const QString kHookTexts[] = {QStringLiteral("OFF HOOK"), QStringLiteral("ON HOOK")};

// A debug line of 40 to 80 characters with its CR LF; it holds no word the tool looks for.
std::string DebugLine(std::mt19937& random) {
    std::string line = "dbg: frame " + std::to_string(random() % 100000) + " slot " + std::to_string(random() % 8);
    const size_t length = 38 + random() % 41;
    while (line.size() < length) {
        line += " agc " + std::to_string(random() % 1000);
    }
    line.resize(length);
    return line + "\r\n";
}

// Writes all of the bytes to the non-blocking master, waiting while the pty is full.
void WriteAll(int fd, const char* bytes, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written > 0) {
            bytes += written;
            size -= static_cast<size_t>(written);
        } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        } else {
            pollfd room{fd, POLLOUT, 0};
            ::poll(&room, 1, 10);
        }
    }
}

// The board and its adapter. The board keeps the line busy with debug lines and writes each event as it
// happens, right after the line then on the wire; the adapter hands over what the line carried at each tick.
class AdapterBoard {
public:
    AdapterBoard(int fd, const StatusLagRun& run) : fd_(fd), run_(run) {}
    ~AdapterBoard() { Stop(); }
    AdapterBoard(const AdapterBoard&) = delete;
    AdapterBoard& operator=(const AdapterBoard&) = delete;

    void Start() {
        thread_ = std::thread([this] { Run(); });
    }
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    std::vector<Clock::time_point> EventTimes() {
        const std::lock_guard lock(mutex_);
        return events_;
    }

private:
    void Run() {
        const Clock::time_point start = Clock::now();
        const auto tick = std::chrono::milliseconds(run_.AdapterTickMs);
        const auto eventEvery = std::chrono::milliseconds(run_.EventEveryMs);
        Clock::time_point nextEvent = start + eventEvery;
        std::mt19937 random(5);
        std::string line;  // written by the board, not yet carried by the line
        double written = 0;
        char drained[512];
        for (int ticks = 1; !stop_; ++ticks) {
            const Clock::time_point due = start + ticks * tick;
            std::this_thread::sleep_until(due);
            const double carried = std::floor(Seconds(due - start).count() * run_.BytesPerSecond);
            while (written + static_cast<double>(line.size()) < carried) {
                const Clock::time_point lineStarts =
                    start + std::chrono::duration_cast<Clock::duration>(
                                Seconds((written + static_cast<double>(line.size())) / run_.BytesPerSecond));
                if (nextEvent <= lineStarts) {
                    line += kHookEvents[EventCount() % 2];
                    AddEvent(nextEvent);
                    nextEvent += eventEvery;
                } else {
                    line += DebugLine(random);
                }
            }
            const auto piece = static_cast<size_t>(carried - written);
            WriteAll(fd_, line.data(), piece);
            line.erase(0, piece);
            written = carried;
            while (::read(fd_, drained, sizeof drained) > 0) {  // the tool's polls go unanswered
            }
        }
    }
    size_t EventCount() {
        const std::lock_guard lock(mutex_);
        return events_.size();
    }
    void AddEvent(Clock::time_point time) {
        const std::lock_guard lock(mutex_);
        events_.push_back(time);
    }

    int fd_;
    StatusLagRun run_;
    std::atomic<bool> stop_ = false;
    std::mutex mutex_;
    std::vector<Clock::time_point> events_;
    std::thread thread_;
};

void RunEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// For each event, the first change of the field to its text at or after the event.
QList<double> LagsOf(const std::vector<Clock::time_point>& events,
                     const std::vector<std::pair<Clock::time_point, QString>>& changes) {
    QList<double> lags;
    auto change = changes.begin();
    for (size_t event = 0; event < events.size(); ++event) {
        change = std::find_if(change, changes.end(), [&](const auto& shown) {
            return shown.first >= events[event] && shown.second == kHookTexts[event % 2];
        });
        if (change == changes.end()) {
            lags << -1;
            continue;
        }
        lags << std::chrono::duration<double, std::milli>(change->first - events[event]).count();
    }
    return lags;
}

}  // namespace

StatusLagResult MeasureStatusLag(const StatusLagRun& run) {
    Pty pty;
    QtSerialPort port;
    FakePrompts prompts;
    GuiMain window{port, prompts};
    StatusLagResult result;
    qputenv("VELMORA_COM1", pty.SlavePath().toLocal8Bit());
    window.Form_Load();
    window.CommPortSelect->setCurrentIndex(window.CommPortSelect->findText(QStringLiteral("COM1")));
    qunsetenv("VELMORA_COM1");
    pty.Write("CPE Application Initialized\r\n");
    result.Started = WaitFor([&] { return window.Session.State.ActiveProgram == kCpeApp; }, 5000);
    if (!result.Started) {
        return result;
    }
    std::vector<std::pair<Clock::time_point, QString>> changes;
    QObject::connect(window.Line1Hook, &QLineEdit::textChanged,
                     [&changes](const QString& text) { changes.emplace_back(Clock::now(), text); });
    const auto handler = port.OnComm;
    port.OnComm = [&](CommEvent event) {
        handler(event);
        if (event == CommEvent::Receive) {
            ++result.Pieces;
            result.MostBuffered = std::max(result.MostBuffered, window.Session.State.ReceiveBuffer.size());
            result.PiecesLeavingALine += window.Session.State.ReceiveBuffer.contains(QStringLiteral("\r\n")) ? 1 : 0;
        }
    };
    AdapterBoard board(pty.MasterFd(), run);
    board.Start();
    RunEventLoop(run.Seconds * 1000);
    board.Stop();
    RunEventLoop(200);  // the last pieces
    port.OnComm = handler;
    result.LagsMs = LagsOf(board.EventTimes(), changes);
    return result;
}

double Quantile(QList<double> samples, double share) {
    if (samples.isEmpty()) {
        return 0;
    }
    std::sort(samples.begin(), samples.end());
    const auto index = static_cast<qsizetype>(std::ceil(share * static_cast<double>(samples.size()))) - 1;
    return samples.at(std::clamp<qsizetype>(index, 0, samples.size() - 1));
}
