#pragma once

#include <QSocketNotifier>

#include <array>
#include <csignal>
#include <functional>
#include <initializer_list>
#include <vector>

// The stop signals (SIGTERM and SIGINT unless told otherwise) run the program's stop: the window closes as
// the desktop would close it (its close runs Form_Unload: log and program files closed, port closed, nothing
// sent), so a stopped window ends with exit status 0; the flasher aborts every download as the window's abort
// does. The handler only writes a byte to a pipe; the stop runs in the event loop. One instance at a time,
// made after the application object; destroying it puts back the handlers it found. A stop signal that was
// ignored at start stays ignored. A program that gives other signals other meanings (a reload, a report) is told
// which signal came: once for each signal among those that came since the loop last ran, in ascending order.
class StopSignals {
public:
    explicit StopSignals(std::function<void()> onStop,
                         std::initializer_list<int> stopSignals = {SIGTERM, SIGINT});
    StopSignals(std::function<void(int signal)> onSignal, std::initializer_list<int> handled);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    void OnSignalled();

    std::function<void(int)> onSignal_;
    bool oneStopPerBatch_ = false;  // every signal means the same stop, which runs once however many came
    std::array<int, 2> pipe_;  // read end, write end
    QSocketNotifier notifier_;
    std::vector<int> signals_;
    std::vector<struct sigaction> found_;  // each signal's handling before this object
};
