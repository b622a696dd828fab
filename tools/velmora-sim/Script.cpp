#include "Script.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "Text.h"

namespace velmora_sim {

namespace {

struct Verb {
    std::string_view name;
    ActionKind kind;
    size_t arguments;  // after the verb
};

constexpr Verb kVerbs[] = {
    {"ranging", ActionKind::kRanging, 1}, {"locked", ActionKind::kLocked, 1}, {"lost", ActionKind::kLost, 1},
    {"reset", ActionKind::kReset, 1},     {"hook", ActionKind::kHook, 3},     {"ring", ActionKind::kRing, 3},
    {"sfd", ActionKind::kSfd, 2},         {"rssi", ActionKind::kRssi, 2},     {"temp", ActionKind::kTemp, 1},
    {"say", ActionKind::kSay, 0},
};

std::optional<long> InRange(std::string_view word, long low, long high) {
    std::optional<long> value = ParseDec(word);
    if (!value || *value < low || *value > high) {
        return std::nullopt;
    }
    return value;
}

// Fills the numeric fields from the words after the verb; returns an error text or "".
std::string ReadArguments(const std::vector<std::string_view>& args, ScriptAction& action) {
    if (action.kind == ActionKind::kTemp) {
        std::optional<long> celsius = InRange(args[0], -128, 127);
        action.value = celsius.value_or(0);
        return celsius ? "" : "temperature must be -128..127";
    }
    std::optional<long> cpe = InRange(args[0], 0, 3);
    if (!cpe) {
        return "cpe must be 0..3";
    }
    action.cpe = int(*cpe);
    if (action.kind == ActionKind::kHook || action.kind == ActionKind::kRing) {
        std::optional<long> line = InRange(args[1], 0, 1);
        const std::string_view on = action.kind == ActionKind::kHook ? "off" : "on";
        const std::string_view off = action.kind == ActionKind::kHook ? "on" : "off";
        if (!line || (args[2] != on && args[2] != off)) {
            return "expected <line 0|1> " + std::string(on) + "|" + std::string(off);
        }
        action.line = int(*line);
        action.value = args[2] == on ? 1 : 0;
    } else if (action.kind == ActionKind::kSfd || action.kind == ActionKind::kRssi) {
        std::optional<long> value = InRange(args[1], 0, action.kind == ActionKind::kSfd ? 0xFFFF : 0xFF);
        action.value = value.value_or(0);
        return value ? "" : "value out of range";
    }
    return "";
}

// Parses one non-empty line; returns an error text or "".
std::string ParseLine(std::string_view text, ScriptAction& action) {
    std::vector<std::string_view> words = SplitWords(text);
    std::optional<long> at = ParseDec(words[0]);
    if (!at || *at < 0) {
        return "expected a time in ms first";
    }
    action.atMs = *at;
    if (words.size() < 2) {
        return "missing action";
    }
    const auto* verb =
        std::find_if(std::begin(kVerbs), std::end(kVerbs), [&](const Verb& v) { return v.name == words[1]; });
    if (verb == std::end(kVerbs)) {
        return "unknown action '" + std::string(words[1]) + "'";
    }
    action.kind = verb->kind;
    if (action.kind == ActionKind::kSay) {
        const size_t verbEnd = size_t(words[1].data() - text.data()) + words[1].size();
        const size_t start = text.find_first_not_of(" \t", verbEnd);
        action.text = start == std::string_view::npos ? "" : std::string(text.substr(start));
        return "";
    }
    if (words.size() != verb->arguments + 2) {
        return "'" + std::string(verb->name) + "' takes " + std::to_string(verb->arguments) + " argument(s)";
    }
    return ReadArguments({words.begin() + 2, words.end()}, action);
}

}  // namespace

std::vector<ScriptAction> ParseScript(std::istream& in, std::vector<ScriptError>& errors) {
    std::vector<ScriptAction> actions;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::string_view text = line;
        if (!text.empty() && text.back() == '\r') {
            text.remove_suffix(1);
        }
        const std::vector<std::string_view> words = SplitWords(text);
        if (words.empty() || words[0].starts_with('#')) {
            continue;
        }
        ScriptAction action;
        if (std::string error = ParseLine(text, action); !error.empty()) {
            errors.push_back({number, error});
            continue;
        }
        actions.push_back(action);
    }
    std::stable_sort(actions.begin(), actions.end(),
                     [](const ScriptAction& a, const ScriptAction& b) { return a.atMs < b.atMs; });
    return actions;
}

}  // namespace velmora_sim
