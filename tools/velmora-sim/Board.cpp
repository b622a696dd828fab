#include "Board.h"

#include <utility>

#include "Text.h"
#include "Versions.h"

namespace velmora_sim {

namespace {

// The boot loader's list names neither "cpe_reset #" nor "Stops Application", so the tool does
// not mistake it for an application.
constexpr std::string_view kBootLoaderHelp[] = {
    "Boot loader commands:",
    "  help              list the commands",
    "  versions          boot loader and firmware versions",
    "  stop              hold start-up and wait for a program file",
    "  reset             restart the board",
};

}  // namespace

Board::Board(BoardOptions options)
    : options_(std::move(options)),
      deadline_(options_.powerOnDelayMs),
      eeprom_(DefaultEeprom(options_.app != AppKind::kCpe), options_.eepromFile) {}

void Board::Receive(std::string_view bytes, int64_t nowMs) {
    now_ = nowMs;
    for (char c : bytes) {
        ReceiveByte(c);
    }
}

void Board::Advance(int64_t nowMs) {
    now_ = nowMs;
    PlayReboots();
    switch (phase_) {
        case Phase::kOff:
            if (now_ >= deadline_) {
                PowerOn();
            }
            break;
        case Phase::kStarting:
        case Phase::kAwaitingStop:
            if (now_ >= deadline_) {
                LeaveBootLoader();
            }
            break;
        case Phase::kApplication:
            app_->Advance(now_);
            break;
        case Phase::kBootLoader:
        case Phase::kReceiving:
            break;
    }
}

std::string Board::TakeOutput() {
    std::string output = out_.Take();
    return Within(options_.faults.silence, now_) ? std::string() : output;
}

void Board::Shutdown() {
    if (phase_ == Phase::kReceiving) {
        SaveDownload(*download_, options_.receiveFile, options_.reportFile);
    }
}

void Board::ReceiveByte(char c) {
    if (phase_ == Phase::kOff) {
        return;
    }
    if (phase_ == Phase::kReceiving) {
        ReceiveProgramByte(c);
        return;
    }
    if (std::optional<std::string> line = lines_.Feed(c)) {
        HandleLine(*line);
    }
}

void Board::ReceiveProgramByte(char c) {
    if (lines_.SwallowLf(c)) {
        return;  // the LF of "stop" CR LF
    }
    if (download_->Feed(c)) {
        EndReceiving();
        return;
    }
    const HexReport& report = download_->Report();
    if (report.eofSeen && !eofAnnounced_) {
        eofAnnounced_ = true;
        out_.Line(report.Ok() ? "Programming complete" : "Programming failed");
    }
}

void Board::HandleLine(const std::string& line) {
    if (options_.trace) {
        options_.trace("command: " + line);
    }
    if (options_.echo) {
        out_.Line(line);
    }
    const std::vector<std::string_view> words = SplitWords(line);
    if (words.empty()) {
        return;
    }
    if (words.size() == 1 && words[0] == "reset") {
        Restart();
    } else if (phase_ == Phase::kApplication) {
        app_->Answer(line);
    } else {
        HandleBootLoaderLine(line, words);
    }
}

void Board::HandleBootLoaderLine(const std::string& line, const std::vector<std::string_view>& words) {
    if (words.size() == 1 && words[0] == "help") {
        for (std::string_view text : kBootLoaderHelp) {
            out_.Line(text);
        }
    } else if (words.size() == 1 && words[0] == "versions") {
        out_.Line(std::string(kVersionPrefix) + std::string(kBootLoaderVersion));
        out_.Line(std::string(kVersionPrefix) + std::string(kFirmwareVersion));
    } else if (words.size() == 1 && words[0] == "stop") {
        Stop();
    } else {
        out_.Line("Unknown command: " + line);
    }
}

void Board::PowerOn() {
    out_.Line(kBootLoaderBanner);
    deadline_ = now_ + options_.bootDelayMs;
    SetPhase(Phase::kStarting, "boot loader (power-up)");
}

void Board::PlayReboots() {
    const std::vector<int64_t>& reboots = options_.faults.reboots;
    for (; nextReboot_ < reboots.size() && reboots[nextReboot_] <= now_; ++nextReboot_) {
        if (phase_ != Phase::kOff) {
            Reboot();
        }
    }
}

// A board that reboots by itself loses what it was doing, a download and a half-typed line included,
// and powers up again without the "stop" window of a reset.
void Board::Reboot() {
    Shutdown();
    download_.reset();
    app_.reset();
    lines_ = LineAssembler();
    PowerOn();
}

// Whatever runs, a reset drops it (an application's network state included) and the boot loader
// offers the "stop" window before it starts the application again.
void Board::Restart() {
    app_.reset();
    out_.Line(kBootLoaderBanner);
    if (!options_.noResetAnswer) {
        out_.Line("Boot Loader Ready");
    }
    deadline_ = now_ + options_.stopWindowMs;
    SetPhase(Phase::kAwaitingStop, "boot loader (reset)");
}

void Board::Stop() {
    if (options_.noStopped) {
        return;
    }
    out_.Line("Boot Loader Stopped");
    download_.emplace();
    eofAnnounced_ = false;
    SetPhase(Phase::kReceiving, "receiving program file");
}

void Board::LeaveBootLoader() {
    if (options_.app == AppKind::kBootLoaderOnly) {
        SetPhase(Phase::kBootLoader, "boot loader (no application)");
    } else {
        StartApplication();
    }
}

void Board::StartApplication() {
    const bool lineCard = options_.app == AppKind::kLineCard;
    out_.Line(lineCard ? kLineCardBanner : kCpeBanner);
    ApplicationConfig config;
    config.network.role = lineCard ? Role::kLineCard : Role::kCpe;
    config.network.subscribersPresent = options_.subscribersPresent;
    // Each start gets its own random course, yet a whole session replays from the seed.
    config.network.seed = options_.seed + starts_++;
    config.network.script = options_.script ? &*options_.script : nullptr;
    config.switchByte = options_.switchByte;
    config.garbage = options_.garbage;
    config.overheat = &options_.faults.overheat;
    config.network.linkLoss = &options_.faults.linkLoss;
    app_ = std::make_unique<Application>(config, eeprom_, out_, now_);
    SetPhase(Phase::kApplication, lineCard ? "Line Card application" : "CPE application");
}

void Board::EndReceiving() {
    SaveDownload(*download_, options_.receiveFile, options_.reportFile);
    download_.reset();
    Restart();
}

void Board::SetPhase(Phase phase, std::string_view name) {
    phase_ = phase;
    if (options_.trace) {
        options_.trace("board: " + std::string(name));
    }
}

}  // namespace velmora_sim
