// The faults a board in a rack shows now and then, played on a schedule: it runs hot, loses its links,
// reboots by itself or goes quiet for a while. Times count from the simulator's start, like the other
// timed faults, so a schedule means the same whatever the tool does to the board meanwhile.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace velmora_sim {

constexpr int64_t kForever = std::numeric_limits<int64_t>::max();

struct FaultWindow {
    int64_t atMs = 0;
    int64_t endMs = kForever;
};

struct FaultSchedule {
    std::vector<FaultWindow> overheat;
    std::vector<FaultWindow> linkLoss;  // sorted, never overlapping
    std::vector<FaultWindow> silence;
    std::vector<int64_t> reboots;  // sorted
};

// overheat, link-loss, reboot or silence.
bool IsScheduledFault(std::string_view name);

// Adds one "--fault NAME=VALUE" of a scheduled kind. Returns an error text, or "" when added.
std::string AddScheduledFault(std::string_view name, std::string_view value, FaultSchedule& schedule);

bool Within(const std::vector<FaultWindow>& windows, int64_t ms);

// Degrees the overheating adds to the board's temperature at `ms`: it climbs during a window, holds
// at its peak, and cools back at the same rate once the window is over.
int HeatAt(const std::vector<FaultWindow>& windows, int64_t ms);

}  // namespace velmora_sim
