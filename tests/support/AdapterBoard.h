#pragma once

#include "StatusLag.h"

#include <QList>
#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// A board and its USB serial adapter on the master side of a pty. The board keeps the line busy with debug
// lines and writes a hook event of line 1 ("Channel 00 OFF HOOK" and "Channel 00 ON HOOK" by turns) every
// EventEveryMs, right after the line then on the wire; the adapter hands over what the line carried at each
// tick. What the tool sends is read and left unanswered.
class AdapterBoard {
  public:
    using Clock = std::chrono::steady_clock;

    AdapterBoard(int fd, const StatusLagRun& run) : fd_(fd), run_(run) {}
    ~AdapterBoard() { Stop(); }
    AdapterBoard(const AdapterBoard&) = delete;
    AdapterBoard& operator=(const AdapterBoard&) = delete;

    void Start();
    void Stop();
    // When each event began on the wire, in order; event n is "OFF HOOK" for even n, "ON HOOK" for odd n.
    std::vector<Clock::time_point> EventTimes();
    std::int64_t BytesWritten() const { return bytesWritten_; }

  private:
    void Run();
    size_t EventCount();
    void AddEvent(Clock::time_point time);

    int fd_;
    StatusLagRun run_;
    std::atomic<bool> stop_ = false;
    std::atomic<std::int64_t> bytesWritten_ = 0;
    std::mutex mutex_;
    std::vector<Clock::time_point> events_;
    std::thread thread_;
};

// For each event, the time from the event to the first change of its field to the event's text at or after
// it; -1 for an event never shown.
QList<double> EventLags(const std::vector<AdapterBoard::Clock::time_point>& events,
                        const std::vector<std::pair<AdapterBoard::Clock::time_point, QString>>& changes);
