#include "AdapterBoard.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <random>

namespace {

using Seconds = std::chrono::duration<double>;

const std::string kHookEvents[] = {"Channel 00 OFF HOOK\r\n", "Channel 00 ON HOOK\r\n"};

// A debug line of 40 to 80 characters with its CR LF; it holds no word the tool looks for.
std::string DebugLine(std::mt19937& random) {
    std::string line =
        "dbg: frame " + std::to_string(random() % 100000) + " slot " + std::to_string(random() % 8);
    const size_t length = 38 + random() % 41;
    while (line.size() < length) {
        line += " agc " + std::to_string(random() % 1000);
    }
    line.resize(length);
    return line + "\r\n";
}

// Writes all of the bytes to the non-blocking master, waiting while the pty is full; returns how many went
// out, fewer only when the pty failed.
size_t WriteAll(int fd, const char* bytes, size_t size) {
    size_t sent = 0;
    while (sent < size) {
        const ssize_t written = ::write(fd, bytes + sent, size - sent);
        if (written > 0) {
            sent += static_cast<size_t>(written);
        } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
            break;
        } else {
            pollfd room{fd, POLLOUT, 0};
            ::poll(&room, 1, 10);
        }
    }
    return sent;
}

// The text the field shows after event n.
const char* HookTextOfEvent(size_t event) {
    return event % 2 == 0 ? "OFF HOOK" : "ON HOOK";
}

}  // namespace

void AdapterBoard::Start() {
    thread_ = std::thread([this] { Run(); });
}

void AdapterBoard::Stop() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::vector<AdapterBoard::Clock::time_point> AdapterBoard::EventTimes() {
    const std::lock_guard lock(mutex_);
    return events_;
}

void AdapterBoard::Run() {
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
        bytesWritten_ += static_cast<std::int64_t>(WriteAll(fd_, line.data(), piece));
        line.erase(0, piece);
        written = carried;
        while (::read(fd_, drained, sizeof drained) > 0) {  // the tool's polls go unanswered
        }
    }
}

size_t AdapterBoard::EventCount() {
    const std::lock_guard lock(mutex_);
    return events_.size();
}

void AdapterBoard::AddEvent(Clock::time_point time) {
    const std::lock_guard lock(mutex_);
    events_.push_back(time);
}

QList<double> EventLags(const std::vector<AdapterBoard::Clock::time_point>& events,
                        const std::vector<std::pair<AdapterBoard::Clock::time_point, QString>>& changes) {
    QList<double> lags;
    auto change = changes.begin();
    for (size_t event = 0; event < events.size(); ++event) {
        change = std::find_if(change, changes.end(), [&](const auto& shown) {
            return shown.first >= events[event] && shown.second == QLatin1String(HookTextOfEvent(event));
        });
        if (change == changes.end()) {
            lags << -1;
            continue;
        }
        lags << std::chrono::duration<double, std::milli>(change->first - events[event]).count();
    }
    return lags;
}
