#include "Faults.h"

#include <algorithm>
#include <optional>

#include "Text.h"

namespace velmora_sim {

namespace {

constexpr int kHeatRiseC = 45;      // 31 degrees at power-up become 76, well past the 60 a tool calls bad
constexpr int kHeatPerSecondC = 5;  // so the temperature passes the marginal band on its way up and down
constexpr int64_t kHeatRiseMs = int64_t{kHeatRiseC} * 1000 / kHeatPerSecondC;

std::optional<int64_t> Ms(std::string_view text) {
    const bool digitsOnly = !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
    const std::optional<long> value = digitsOnly ? ParseDec(text) : std::nullopt;
    return value ? std::optional<int64_t>(*value) : std::nullopt;
}

// "AT" or "AT+FOR"; FOR must be above 0 and the end must not pass kForever.
std::optional<FaultWindow> ReadWindow(std::string_view value, bool lengthAllowed, bool lengthRequired) {
    const size_t plus = value.find('+');
    const bool hasLength = plus != std::string_view::npos;
    const std::optional<int64_t> at = Ms(value.substr(0, plus));
    if (!at || (hasLength && !lengthAllowed) || (!hasLength && lengthRequired)) {
        return std::nullopt;
    }
    if (!hasLength) {
        return FaultWindow{*at, kForever};
    }
    const std::optional<int64_t> length = Ms(value.substr(plus + 1));
    if (!length || *length == 0 || *length >= kForever - *at) {
        return std::nullopt;
    }
    return FaultWindow{*at, *at + *length};
}

bool Overlaps(const std::vector<FaultWindow>& windows, const FaultWindow& window) {
    return std::any_of(windows.begin(), windows.end(), [&](const FaultWindow& other) {
        return window.atMs < other.endMs && other.atMs < window.endMs;
    });
}

int RiseAfter(int64_t ms) {
    return int(std::min<int64_t>(kHeatRiseC, ms * kHeatPerSecondC / 1000));
}

}  // namespace

bool IsScheduledFault(std::string_view name) {
    return name == "overheat" || name == "link-loss" || name == "reboot" || name == "silence";
}

std::string AddScheduledFault(std::string_view name, std::string_view value, FaultSchedule& schedule) {
    const std::string fault = "--fault " + std::string(name) + "=" + std::string(value);
    const bool reboot = name == "reboot";
    const bool silence = name == "silence";
    const std::optional<FaultWindow> window = ReadWindow(value, !reboot, silence);
    if (!window) {
        return fault + ": expected " +
               (reboot ? "AT in whole ms"
                       : std::string(silence ? "AT+FOR" : "AT or AT+FOR") + " in whole ms, FOR above 0");
    }
    if (reboot) {
        schedule.reboots.push_back(window->atMs);
        std::sort(schedule.reboots.begin(), schedule.reboots.end());
    } else if (silence) {
        schedule.silence.push_back(*window);
    } else if (name == "overheat") {
        schedule.overheat.push_back(*window);
    } else if (Overlaps(schedule.linkLoss, *window)) {
        return fault + ": overlaps another link-loss";
    } else {
        schedule.linkLoss.push_back(*window);
        std::sort(schedule.linkLoss.begin(), schedule.linkLoss.end(),
                  [](const FaultWindow& a, const FaultWindow& b) { return a.atMs < b.atMs; });
    }
    return "";
}

bool Within(const std::vector<FaultWindow>& windows, int64_t ms) {
    return std::any_of(windows.begin(), windows.end(),
                       [ms](const FaultWindow& w) { return w.atMs <= ms && ms < w.endMs; });
}

int HeatAt(const std::vector<FaultWindow>& windows, int64_t ms) {
    int heat = 0;
    for (const FaultWindow& w : windows) {
        if (ms < w.atMs) {
            continue;
        }
        if (ms < w.endMs) {
            heat = std::max(heat, RiseAfter(ms - w.atMs));
        } else {
            const int peak = RiseAfter(std::min(w.endMs - w.atMs, kHeatRiseMs));
            heat = std::max(heat, peak - RiseAfter(std::min(ms - w.endMs, kHeatRiseMs)));
        }
    }
    return heat;
}

}  // namespace velmora_sim
