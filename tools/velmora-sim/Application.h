// A running application (Line Card or CPE): answers console commands from its network model,
// its EEPROM and its sensors, and prints unsolicited debug lines and, on request, garbage.
#pragma once

#include <cstdint>
#include <random>
#include <string_view>
#include <vector>

#include "ConsoleOut.h"
#include "Eeprom.h"
#include "Faults.h"
#include "Network.h"

namespace velmora_sim {

struct ApplicationConfig {
    NetworkConfig network;
    uint8_t switchByte = 0x2D;  // bits 5-4 time slot, 3-2 CDMA code, 1-0 RF channel
    bool garbage = false;       // the garbage fault
    const std::vector<FaultWindow>* overheat = nullptr;
};

class Application {
  public:
    Application(const ApplicationConfig& config, Eeprom& eeprom, ConsoleOut& out, int64_t startMs);

    // One command line holding at least one word.
    void Answer(std::string_view line);

    void Advance(int64_t nowMs);

    const Network& GetNetwork() const { return network_; }

  private:
    using Words = std::vector<std::string_view>;
    using Handler = void (Application::*)(const Words&);
    struct Command {
        std::string_view name;
        Handler handler;
    };
    static const Command kCommands[];

    void Help(const Words& words);
    void Cpu(const Words& words);
    void Versions(const Words& words);
    void OpStatus(const Words& words);
    void LineState(const Words& words);
    void ReadMemory(const Words& words);
    void ReadEeprom(const Words& words);
    void WriteEeprom(const Words& words);
    void Temperature(const Words& words);
    void Battery(const Words& words);
    void Debug(const Words& words);
    void CpeReset(const Words& words);

    bool IsLineCard() const { return network_.GetRole() == Role::kLineCard; }
    uint8_t PeekMemory(unsigned address) const;
    void BadArgument(const Words& words);
    void PrintChatter(int64_t nowMs);
    int64_t ChatterPeriodMs() const;
    void PrintGarbage(int64_t nowMs);
    int64_t Between(int64_t low, int64_t high);

    ApplicationConfig config_;
    Eeprom& eeprom_;
    ConsoleOut& out_;
    Network network_;
    std::mt19937 rng_;
    int64_t nowMs_;
    long debugLevel_ = 0;
    int64_t nextChatterMs_ = 0;
    int64_t nextGarbageMs_;
};

}  // namespace velmora_sim
