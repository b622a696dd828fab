// A scripted network: timed actions read from a text file, replacing the random schedule.
//
// One action per line, "<ms> <action> [arguments]", ms counted from the start of the
// application (so a script replays after every reset). Lines starting with '#' are comments.
//   ranging <cpe> | locked <cpe> | lost <cpe> | reset <cpe>
//   hook <cpe> <line 0|1> off|on      ring <cpe> <line 0|1> on|off
//   sfd <cpe> <count>                 rssi <cpe> <0..255>
//   temp <celsius, may be negative>   say <text printed as one line>
// On a CPE application the cpe number is always 0 (its own link).
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace velmora_sim {

enum class ActionKind { kRanging, kLocked, kLost, kReset, kHook, kRing, kSfd, kRssi, kTemp, kSay };

struct ScriptAction {
    int64_t atMs = 0;
    ActionKind kind = ActionKind::kSay;
    int cpe = 0;
    int line = 0;
    long value = 0;  // on: 1 / off: 0 for hook and ring; the count, strength or temperature otherwise
    std::string text;
};

struct ScriptError {
    int lineNumber = 0;
    std::string message;
};

// Actions come back sorted by time, in file order for equal times.
std::vector<ScriptAction> ParseScript(std::istream& in, std::vector<ScriptError>& errors);

}  // namespace velmora_sim
