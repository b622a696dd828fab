#include "Options.h"

#include <algorithm>
#include <optional>

#include "Faults.h"
#include "Text.h"

namespace velmora_sim {

namespace {

constexpr std::string_view kHelp = R"(Usage: velmora-sim [options]

Simulates a Velmora board on a pseudo-terminal. The first line on stdout is the
device path of the terminal (e.g. /dev/pts/5); open it at 57600 8N1.

Board:
  --app linecard|cpe|boot   program the board starts (default linecard; boot stays
                            in the boot loader)
  --power-on-delay MS       time before the board powers up (default 0)
  --boot-delay MS           boot loader banner to application banner at power-up
                            (default 500)
  --stop-window MS          after a reset: how long the boot loader waits for
                            "stop" after "Boot Loader Ready" (default 1000)
  --cpes N                  CPEs present on a Line Card, 0..4 (default 4)
  --switch-byte HEX         RF channel / CDMA code / time slot switches as read
                            at FF12 (default 2D)
  --eeprom-file F           keep the EEPROM (256 bytes) in file F
  --echo                    echo each command line before its answer

Network:
  --seed N                  seed of the random network, output splitting and
                            measurements (default 1)
  --script F                timed network events from file F instead of random
                            ones (see README.md)

Download:
  --receive-file F          write the bytes received in receive mode to F
  --report-file F           write the Intel-hex check result line to F (it is
                            always printed on stderr too)

Line:
  --rate BYTES_PER_SEC      line rate both ways (default 5760 = 57600 8N1;
                            0 = unpaced)
  --adapter-latency MS      deliver output as a USB serial adapter does: what
                            the line carries goes to the terminal as one piece
                            per tick of MS (16 is the usual default of such
                            adapters; 0 = off, the default)
  --path-file F             also write the device path to F
  --duration MS             exit after MS (default: run until SIGTERM/SIGINT)
  --trace                   log commands and board state changes on stderr

Faults (repeatable):
  --fault no-reset-answer   never print "Boot Loader Ready"
  --fault no-stopped        ignore "stop" (no "Boot Loader Stopped")
  --fault silent-after=MS   print nothing more after MS
  --fault garbage           interleave random bytes and unterminated lines
  --fault close-after=MS    close the terminal after MS and exit
  --fault overheat=AT[+FOR] from AT ms the temperature climbs 5 C a second to
                            45 C above normal; FOR ms later it cools back
                            (without +FOR it stays hot)
  --fault link-loss=AT[+FOR]
                            at AT ms every link that is up drops; FOR ms later
                            they range again and lock a second after
  --fault reboot=AT         at AT ms the board reboots by itself: power-up
                            banners, its network starting over
  --fault silence=AT+FOR    print nothing from AT ms for FOR ms

  --help                    show this text
  --version                 show the version
)";

std::optional<int64_t> Milliseconds(std::string_view text) {
    std::optional<long> value = ParseDec(text);
    return value && *value >= 0 ? std::optional<int64_t>(*value) : std::nullopt;
}

std::string ApplyFault(std::string_view fault, SimOptions& options) {
    const size_t equals = fault.find('=');
    const std::string_view name = fault.substr(0, equals);
    const std::optional<int64_t> ms =
        equals == std::string_view::npos ? std::nullopt : Milliseconds(fault.substr(equals + 1));
    if (fault == "no-reset-answer") {
        options.board.noResetAnswer = true;
    } else if (fault == "no-stopped") {
        options.board.noStopped = true;
    } else if (fault == "garbage") {
        options.board.garbage = true;
    } else if (name == "silent-after" && ms) {
        options.board.faults.silence.push_back({*ms, kForever});
    } else if (IsScheduledFault(name) && equals != std::string_view::npos) {
        return AddScheduledFault(name, fault.substr(equals + 1), options.board.faults);
    } else if (name == "close-after" && ms) {
        options.link.closeAfterMs = *ms;
    } else {
        return "unknown fault '" + std::string(fault) + "'";
    }
    return "";
}

std::string ApplyApp(std::string_view value, SimOptions& options) {
    if (value == "linecard") {
        options.board.app = AppKind::kLineCard;
    } else if (value == "cpe") {
        options.board.app = AppKind::kCpe;
    } else if (value == "boot") {
        options.board.app = AppKind::kBootLoaderOnly;
    } else {
        return "--app takes linecard, cpe or boot";
    }
    return "";
}

constexpr std::string_view kNumberOptions[] = {
    "--power-on-delay", "--boot-delay", "--stop-window", "--duration", "--rate", "--cpes", "--seed",
    "--adapter-latency"};

std::string ApplyNumber(std::string_view name, std::string_view value, SimOptions& options) {
    const std::optional<int64_t> number = Milliseconds(value);
    if (!number) {
        return std::string(name) + " takes a number";
    }
    if (name == "--power-on-delay") {
        options.board.powerOnDelayMs = *number;
    } else if (name == "--boot-delay") {
        options.board.bootDelayMs = *number;
    } else if (name == "--stop-window") {
        options.board.stopWindowMs = *number;
    } else if (name == "--duration") {
        options.link.durationMs = *number;
    } else if (name == "--rate" && *number <= 1'000'000) {
        options.link.bytesPerSecond = int(*number);
    } else if (name == "--adapter-latency" && *number <= 1000) {
        options.link.adapterLatencyMs = *number;
    } else if (name == "--cpes" && *number <= 4) {
        options.board.subscribersPresent = int(*number);
    } else if (name == "--seed" && *number <= UINT32_MAX) {
        options.board.seed = uint32_t(*number);
        options.link.seed = uint32_t(*number);
    } else {
        return std::string(name) + ": value out of range";
    }
    return "";
}

std::string ApplyText(std::string_view name, std::string_view value, SimOptions& options) {
    if (name == "--app") {
        return ApplyApp(value, options);
    }
    if (name == "--fault") {
        return ApplyFault(value, options);
    }
    if (name == "--switch-byte") {
        const std::optional<unsigned> byte = ParseHex(value);
        options.board.switchByte = uint8_t(byte.value_or(0));
        return byte && *byte <= 0xFF ? "" : "--switch-byte takes a hex byte";
    }
    std::string* target = name == "--eeprom-file"    ? &options.board.eepromFile
                          : name == "--receive-file" ? &options.board.receiveFile
                          : name == "--report-file"  ? &options.board.reportFile
                          : name == "--path-file"    ? &options.pathFile
                          : name == "--script"       ? &options.scriptFile
                                                     : nullptr;
    if (target == nullptr) {
        return ApplyNumber(name, value, options);
    }
    *target = value;
    return "";
}

std::string ApplyFlag(std::string_view name, SimOptions& options) {
    if (name == "--echo") {
        options.board.echo = true;
    } else if (name == "--trace") {
        options.trace = true;
    } else if (name == "--help" || name == "-h") {
        options.help = true;
    } else if (name == "--version") {
        options.version = true;
    } else {
        return "unknown option '" + std::string(name) + "'";
    }
    return "";
}

constexpr std::string_view kTextOptions[] = {"--app",         "--fault",        "--switch-byte",
                                             "--eeprom-file", "--receive-file", "--report-file",
                                             "--path-file",   "--script"};

bool TakesValue(std::string_view name) {
    const auto known = [name](const auto& list) {
        return std::find(std::begin(list), std::end(list), name) != std::end(list);
    };
    return known(kTextOptions) || known(kNumberOptions);
}

}  // namespace

std::string ParseOptions(int argc, const char* const* argv, SimOptions& options) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        const size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        if (!TakesValue(name)) {
            if (std::string error = ApplyFlag(arg, options); !error.empty()) {
                return error;
            }
            continue;
        }
        std::string_view value;
        if (equals != std::string_view::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            return std::string(name) + " needs a value";
        }
        if (std::string error = ApplyText(name, value, options); !error.empty()) {
            return error;
        }
    }
    return "";
}

std::string_view HelpText() {
    return kHelp;
}

}  // namespace velmora_sim
