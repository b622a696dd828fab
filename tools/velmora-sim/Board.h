// The board as its console shows it: power-up, the boot loader with its reset / stop handshake
// and receive mode, and the application it starts.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Application.h"
#include "ConsoleOut.h"
#include "DownloadReceiver.h"
#include "Eeprom.h"
#include "Faults.h"
#include "LineAssembler.h"
#include "Script.h"

namespace velmora_sim {

enum class AppKind { kBootLoaderOnly, kLineCard, kCpe };

enum class Phase {
    kOff,           // before power-on
    kStarting,      // boot loader after power-on, about to start the application
    kAwaitingStop,  // boot loader after a reset: "Boot Loader Ready", waiting for "stop"
    kBootLoader,    // boot loader with no application to start
    kReceiving,     // boot loader stopped: the program file is coming in
    kApplication,
};

struct BoardOptions {
    AppKind app = AppKind::kLineCard;
    uint32_t seed = 1;
    int64_t powerOnDelayMs = 0;
    int64_t bootDelayMs = 500;    // power-up: boot loader banner to application banner
    int64_t stopWindowMs = 1000;  // after "Boot Loader Ready": how long "stop" is awaited
    int subscribersPresent = 4;
    uint8_t switchByte = 0x2D;
    std::optional<std::vector<ScriptAction>> script;
    std::string eepromFile;
    std::string receiveFile;
    std::string reportFile;
    bool echo = false;
    bool noResetAnswer = false;  // faults
    bool noStopped = false;
    bool garbage = false;
    FaultSchedule faults;
    std::function<void(std::string_view)> trace;  // told of every command line and phase change
};

class Board {
  public:
    explicit Board(BoardOptions options);

    void Receive(std::string_view bytes, int64_t nowMs);
    void Advance(int64_t nowMs);
    // What the board printed since the last call; nothing while it is silenced.
    std::string TakeOutput();

    // Saves a download that is still being received when the simulator stops.
    void Shutdown();

    Phase GetPhase() const { return phase_; }

  private:
    void ReceiveByte(char c);
    void ReceiveProgramByte(char c);
    void HandleLine(const std::string& line);
    void HandleBootLoaderLine(const std::string& line, const std::vector<std::string_view>& words);
    void PowerOn();
    void PlayReboots();
    void Reboot();
    void Restart();
    void Stop();
    void LeaveBootLoader();
    void StartApplication();
    void EndReceiving();
    void SetPhase(Phase phase, std::string_view name);

    BoardOptions options_;
    Phase phase_ = Phase::kOff;
    int64_t now_ = 0;
    int64_t deadline_;  // when kOff, kStarting or kAwaitingStop ends
    uint32_t starts_ = 0;
    size_t nextReboot_ = 0;
    bool eofAnnounced_ = false;
    ConsoleOut out_;
    LineAssembler lines_;
    Eeprom eeprom_;
    std::unique_ptr<Application> app_;
    std::optional<DownloadReceiver> download_;
};

}  // namespace velmora_sim
