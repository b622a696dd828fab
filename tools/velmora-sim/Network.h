// The radio network an application sees: the link and telephone lines of each CPE (four on a
// Line Card, the board's own link on a CPE), their signal strength, and the board's temperature.
// Every change prints the event line the board prints for it, so the state that the commands
// report always matches the events already sent.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "ConsoleOut.h"
#include "Faults.h"
#include "Script.h"

namespace velmora_sim {

enum class Role { kLineCard, kCpe };

enum class LinkState : uint8_t { kAcquisition = 0, kRanging = 1, kLocked = 2 };

struct Subscriber {
    bool present = true;  // an absent CPE never leaves acquisition on the random schedule
    LinkState state = LinkState::kAcquisition;
    uint8_t rssi = 0;
    uint16_t sfdLosses = 0;
    std::array<bool, 2> offHook{};
    std::array<bool, 2> ringing{};
    int64_t nextStepMs = 0;
    bool droppedByFault = false;  // by the current link loss, so it comes back at its end
    int64_t relockMs = -1;        // when a link back from a link loss locks; -1: none pending
};

struct NetworkConfig {
    Role role = Role::kLineCard;
    int subscribersPresent = 4;  // Line Card only
    uint32_t seed = 1;
    const std::vector<ScriptAction>* script = nullptr;   // replaces the random schedule when set
    const std::vector<FaultWindow>* linkLoss = nullptr;  // sorted, never overlapping
};

class Network {
  public:
    Network(const NetworkConfig& config, ConsoleOut& out, int64_t startMs);

    // Runs the random schedule or the script up to `nowMs`.
    void Advance(int64_t nowMs);

    void StartRanging(int cpe);
    void CompleteRanging(int cpe);
    void LoseLink(int cpe);
    void CommandedReset(int cpe);
    void SetHook(int cpe, int line, bool offHook);
    void SetRing(int cpe, int line, bool on);
    void ReportSfdLosses(int cpe, uint16_t count);
    void SetRssi(int cpe, uint8_t value) { subscribers_.at(cpe).rssi = value; }
    void SetTemperature(int celsius) { temperature_ = celsius; }

    Role GetRole() const { return config_.role; }
    int SubscriberCount() const { return config_.role == Role::kLineCard ? 4 : 1; }
    const Subscriber& At(int cpe) const { return subscribers_.at(cpe); }
    int Temperature() const { return temperature_; }

  private:
    void FollowLinkLoss(int64_t nowMs);
    void DropLinks();
    void RestoreLinks(int64_t endMs);
    void Relock(int64_t nowMs);
    void RunScript(int64_t nowMs);
    void Apply(const ScriptAction& action);
    void RunRandom(int64_t nowMs);
    void StepRandom(int cpe, int64_t nowMs);
    void StepLocked(int cpe);
    void PhoneActivity(int cpe);
    void Drift();
    void ClearLink(int cpe);
    void Event(int cpe, const std::string& text);
    int64_t Between(int64_t low, int64_t high);

    NetworkConfig config_;
    ConsoleOut& out_;
    int64_t startMs_;
    size_t scriptNext_ = 0;
    size_t linkLossNext_ = 0;
    bool linkLossActive_ = false;
    int64_t nextDriftMs_;
    std::mt19937 rng_;
    std::array<Subscriber, 4> subscribers_{};
    int temperature_ = 31;
};

}  // namespace velmora_sim
