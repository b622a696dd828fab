#include "Application.h"

#include <algorithm>
#include <string>

#include "Text.h"
#include "Versions.h"

namespace velmora_sim {

namespace {

// The Line Card lists "cpe_reset #" and the CPE "Stops Application": those words are how the
// tool tells the two applications apart when it only knows that some program answers.
constexpr std::string_view kLineCardHelp[] = {
    "Line Card commands:",
    "  help              list the commands",
    "  cpu               processor load",
    "  versions          software and firmware versions",
    "  op_status         link state of each CPE",
    "  line_state        hook and ring state of each line",
    "  rdm <addr> <n>    read n bytes of memory (hex)",
    "  ree <loc>         read an EEPROM location (hex)",
    "  wee <loc> <val>   write an EEPROM location (hex)",
    "  temperature       board temperature",
    "  battery           battery voltage",
    "  debug <n>         debug output level",
    "  cpe_reset #       reset CPE # (0-3)",
    "  reset             restart the board",
};

constexpr std::string_view kCpeHelp[] = {
    "CPE commands:",
    "  help              list the commands",
    "  cpu               processor load",
    "  versions          software and firmware versions",
    "  op_status         link state",
    "  line_state        hook and ring state of both lines",
    "  rdm <addr> <n>    read n bytes of memory (hex)",
    "  ree <loc>         read an EEPROM location (hex)",
    "  wee <loc> <val>   write an EEPROM location (hex)",
    "  temperature       board temperature",
    "  battery           battery voltage",
    "  debug <n>         debug output level",
    "  reset             Stops Application and restarts the board",
};

constexpr unsigned kSwitchAddress = 0xFF12;
constexpr unsigned kSignalAddress = 0xFF28;
constexpr unsigned kDumpBytesPerLine = 16;
constexpr long kVerboseDebugLevel = 80;

}  // namespace

const Application::Command Application::kCommands[] = {
    {"help", &Application::Help},
    {"cpu", &Application::Cpu},
    {"versions", &Application::Versions},
    {"op_status", &Application::OpStatus},
    {"line_state", &Application::LineState},
    {"rdm", &Application::ReadMemory},
    {"ree", &Application::ReadEeprom},
    {"wee", &Application::WriteEeprom},
    {"temperature", &Application::Temperature},
    {"battery", &Application::Battery},
    {"debug", &Application::Debug},
    {"cpe_reset", &Application::CpeReset},
};

Application::Application(const ApplicationConfig& config, Eeprom& eeprom, ConsoleOut& out, int64_t startMs)
    : config_(config),
      eeprom_(eeprom),
      out_(out),
      network_(config.network, out, startMs),
      rng_(config.network.seed + 1),
      nowMs_(startMs),
      nextGarbageMs_(startMs + 1000) {}

void Application::Answer(std::string_view line) {
    const Words words = SplitWords(line);
    const auto* command = std::find_if(std::begin(kCommands), std::end(kCommands),
                                       [&](const Command& c) { return c.name == words.at(0); });
    if (command == std::end(kCommands) || (command->handler == &Application::CpeReset && !IsLineCard())) {
        out_.Line("Unknown command: " + std::string(line));
        return;
    }
    (this->*command->handler)(words);
}

void Application::Advance(int64_t nowMs) {
    nowMs_ = nowMs;
    network_.Advance(nowMs);
    PrintChatter(nowMs);
    PrintGarbage(nowMs);
}

void Application::Help(const Words&) {
    if (IsLineCard()) {
        for (std::string_view line : kLineCardHelp) {
            out_.Line(line);
        }
    } else {
        for (std::string_view line : kCpeHelp) {
            out_.Line(line);
        }
    }
}

void Application::Cpu(const Words&) {
    out_.Line("Maximum CPU% = " + std::to_string(Between(8, 20)));
}

void Application::Versions(const Words&) {
    out_.Line(std::string(kVersionPrefix) + std::string(kBootLoaderVersion));
    out_.Line(std::string(kVersionPrefix) + std::string(IsLineCard() ? kLineCardVersion : kCpeVersion));
    out_.Line(std::string(kVersionPrefix) + std::string(kFirmwareVersion));
}

// Two decimal digits per CPE: 0 acquisition, 1 ranging, 2 locked.
void Application::OpStatus(const Words&) {
    std::string line = "op_status: ";
    for (int cpe = 0; cpe < network_.SubscriberCount(); ++cpe) {
        line += Dec(unsigned(network_.At(cpe).state), 2);
    }
    out_.Line(line);
}

// Two decimal digits per line, CPE by CPE: hook 0 = off hook, 1 = on hook; ring 1 = ringing.
void Application::LineState(const Words&) {
    std::string hook = "hook_state: ";
    std::string ring = "ring_state: ";
    for (int cpe = 0; cpe < network_.SubscriberCount(); ++cpe) {
        for (int line = 0; line < 2; ++line) {
            hook += Dec(network_.At(cpe).offHook[line] ? 0 : 1, 2);
            ring += Dec(network_.At(cpe).ringing[line] ? 1 : 0, 2);
        }
    }
    out_.Line(hook);
    out_.Line(ring);
}

void Application::ReadMemory(const Words& words) {
    std::optional<unsigned> address = words.size() == 3 ? ParseHex(words[1]) : std::nullopt;
    std::optional<unsigned> count = words.size() == 3 ? ParseHex(words[2]) : std::nullopt;
    if (!address || !count || *count == 0 || *count > 0x100 || *address + *count > 0x10000) {
        BadArgument(words);
        return;
    }
    for (unsigned start = *address; start < *address + *count; start += kDumpBytesPerLine) {
        std::string line = Hex(start, 4) + ":";
        for (unsigned a = start; a < std::min(start + kDumpBytesPerLine, *address + *count); ++a) {
            line += ' ';
            line += Hex(PeekMemory(a), 2);
        }
        out_.Line(line);
    }
}

void Application::ReadEeprom(const Words& words) {
    std::optional<unsigned> location = words.size() == 2 ? ParseHex(words[1]) : std::nullopt;
    if (!location || *location >= Eeprom::kSize) {
        BadArgument(words);
        return;
    }
    out_.Line(Hex(*location, 4) + ": " + Hex(eeprom_.Read(*location), 2));
}

// A write is silent, as on the board: only a later read shows the value.
void Application::WriteEeprom(const Words& words) {
    std::optional<unsigned> location = words.size() == 3 ? ParseHex(words[1]) : std::nullopt;
    std::optional<unsigned> value = words.size() == 3 ? ParseHex(words[2]) : std::nullopt;
    if (!location || !value || *location >= Eeprom::kSize || *value > 0xFF) {
        BadArgument(words);
        return;
    }
    eeprom_.Write(*location, uint8_t(*value));
}

// Whole degrees Celsius as a 16-bit two's-complement number.
void Application::Temperature(const Words&) {
    const int heat = config_.overheat != nullptr ? HeatAt(*config_.overheat, nowMs_) : 0;
    out_.Line("temperature: " + Hex(uint16_t(network_.Temperature() + heat), 4));
}

void Application::Battery(const Words&) {
    const int64_t decivolts = Between(478, 486);
    out_.Line("battery: " + std::to_string(decivolts / 10) + "." + std::to_string(decivolts % 10) + "V");
}

void Application::Debug(const Words& words) {
    std::optional<long> level = words.size() == 2 ? ParseDec(words[1]) : std::nullopt;
    if (!level || *level < 0) {
        BadArgument(words);
        return;
    }
    debugLevel_ = *level;
    nextChatterMs_ = nowMs_ + ChatterPeriodMs();
    out_.Line("debug level " + std::to_string(debugLevel_));
}

void Application::CpeReset(const Words& words) {
    std::optional<long> cpe = words.size() == 2 ? ParseDec(words[1]) : std::nullopt;
    if (!cpe || *cpe < 0 || *cpe > 3) {
        BadArgument(words);
        return;
    }
    network_.CommandedReset(int(*cpe));
}

// The switch byte and the signal strengths live at fixed addresses; the rest reads as zero.
uint8_t Application::PeekMemory(unsigned address) const {
    if (address == kSwitchAddress) {
        return config_.switchByte;
    }
    const unsigned cpe = address - kSignalAddress;
    if (address >= kSignalAddress && cpe < unsigned(network_.SubscriberCount())) {
        return network_.At(int(cpe)).rssi;
    }
    return 0;
}

void Application::BadArgument(const Words& words) {
    out_.Line("Bad argument for " + std::string(words[0]));
}

// Debug chatter carries none of the words the tool looks for: it only fills the console.
void Application::PrintChatter(int64_t nowMs) {
    if (debugLevel_ < 1 || nowMs < nextChatterMs_) {
        return;
    }
    nextChatterMs_ = nowMs + ChatterPeriodMs();
    out_.Line("dbg: frames " + std::to_string(Between(1000, 99999)) + " crc errors " +
              std::to_string(Between(0, 3)));
    if (debugLevel_ >= kVerboseDebugLevel) {
        out_.Line("dbg: slot timing " + std::to_string(Between(-20, 20)) + " us, tx power " +
                  std::to_string(Between(10, 24)) + " dBm");
    }
}

int64_t Application::ChatterPeriodMs() const {
    return debugLevel_ >= kVerboseDebugLevel ? 1000 : 5000;
}

// Random bytes of every value except the line ends, half of the time left without a line end,
// so that the next real line arrives glued to them.
void Application::PrintGarbage(int64_t nowMs) {
    if (!config_.garbage || nowMs < nextGarbageMs_) {
        return;
    }
    nextGarbageMs_ = nowMs + Between(1500, 4000);
    std::string bytes;
    for (int64_t n = Between(20, 400); n > 0; --n) {
        char c = char(Between(0, 255));
        bytes.push_back(c == '\r' || c == '\n' ? '\0' : c);
    }
    out_.Raw(bytes);
    if (Between(0, 1) == 1) {
        out_.Raw("\r\n");
    }
}

int64_t Application::Between(int64_t low, int64_t high) {
    return std::uniform_int_distribution<int64_t>(low, high)(rng_);
}

}  // namespace velmora_sim
