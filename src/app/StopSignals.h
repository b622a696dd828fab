#pragma once

#include <QSocketNotifier>

#include <array>
#include <csignal>

// SIGTERM and SIGINT close the tool's windows as the desktop would (the main window's close runs Form_Unload:
// log and program files closed, port closed, nothing sent), so a stopped tool ends with exit status 0.
// The handler only writes a byte to a pipe; the closing runs in the event loop. One instance at a time, made
// after the application object; destroying it puts back the handlers it found. A stop signal that was ignored
// at start stays ignored.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    static constexpr int kSignals[] = {SIGTERM, SIGINT};

    void OnSignalled();

    std::array<int, 2> pipe_;  // read end, write end
    QSocketNotifier notifier_;
    std::array<struct sigaction, std::size(kSignals)> found_{};  // each signal's handling before this object
};
