#include "Network.h"

#include <algorithm>

#include "Text.h"

namespace velmora_sim {

namespace {

constexpr int64_t kDriftPeriodMs = 1000;
constexpr int kMinRssi = 30;
constexpr int kMaxRssi = 220;
constexpr int64_t kRelockMs = 1000;  // a link back from a link loss: ranging to locked

}  // namespace

Network::Network(const NetworkConfig& config, ConsoleOut& out, int64_t startMs)
    : config_(config),
      out_(out),
      startMs_(startMs),
      nextDriftMs_(startMs + kDriftPeriodMs),
      rng_(config.seed) {
    for (int cpe = 0; cpe < SubscriberCount(); ++cpe) {
        subscribers_[cpe].present = config.role == Role::kCpe || cpe < config.subscribersPresent;
        subscribers_[cpe].nextStepMs = startMs + Between(1000, 4000);
    }
    while (config_.linkLoss != nullptr && linkLossNext_ < config_.linkLoss->size() &&
           (*config_.linkLoss)[linkLossNext_].endMs <= startMs) {
        ++linkLossNext_;
    }
}

void Network::Advance(int64_t nowMs) {
    FollowLinkLoss(nowMs);
    if (config_.script != nullptr) {
        RunScript(nowMs);
    } else {
        RunRandom(nowMs);
    }
}

// A link loss drops every link that is up and keeps the random schedule from raising any until it is
// over; the links it dropped then range again and lock a little later. A script plays on unchanged.
void Network::FollowLinkLoss(int64_t nowMs) {
    const std::vector<FaultWindow>* windows = config_.linkLoss;
    while (windows != nullptr && linkLossNext_ < windows->size()) {
        const FaultWindow& window = (*windows)[linkLossNext_];
        if (!linkLossActive_ && window.atMs <= nowMs) {
            linkLossActive_ = true;
            DropLinks();
        }
        if (!linkLossActive_ || window.endMs > nowMs) {
            break;
        }
        linkLossActive_ = false;
        ++linkLossNext_;
        RestoreLinks(window.endMs);
    }
    Relock(nowMs);
}

void Network::DropLinks() {
    for (int cpe = 0; cpe < SubscriberCount(); ++cpe) {
        Subscriber& sub = subscribers_[cpe];
        sub.droppedByFault = sub.state != LinkState::kAcquisition;
        if (sub.droppedByFault) {
            LoseLink(cpe);
        }
    }
}

void Network::RestoreLinks(int64_t endMs) {
    for (int cpe = 0; cpe < SubscriberCount(); ++cpe) {
        Subscriber& sub = subscribers_[cpe];
        sub.nextStepMs = std::max(sub.nextStepMs, endMs);
        if (sub.droppedByFault) {
            sub.droppedByFault = false;
            sub.relockMs = endMs + kRelockMs;
            sub.nextStepMs = std::max(sub.nextStepMs, sub.relockMs + kRelockMs);
            StartRanging(cpe);
        }
    }
}

void Network::Relock(int64_t nowMs) {
    for (int cpe = 0; cpe < SubscriberCount(); ++cpe) {
        if (subscribers_[cpe].relockMs >= 0 && subscribers_[cpe].relockMs <= nowMs) {
            subscribers_[cpe].relockMs = -1;
            CompleteRanging(cpe);
        }
    }
}

void Network::RunScript(int64_t nowMs) {
    const std::vector<ScriptAction>& script = *config_.script;
    while (scriptNext_ < script.size() && startMs_ + script[scriptNext_].atMs <= nowMs) {
        Apply(script[scriptNext_++]);
    }
}

void Network::Apply(const ScriptAction& action) {
    if (action.cpe >= SubscriberCount()) {
        return;  // a Line Card action in a script run on a CPE
    }
    switch (action.kind) {
        case ActionKind::kRanging:
            StartRanging(action.cpe);
            break;
        case ActionKind::kLocked:
            CompleteRanging(action.cpe);
            break;
        case ActionKind::kLost:
            LoseLink(action.cpe);
            break;
        case ActionKind::kReset:
            CommandedReset(action.cpe);
            break;
        case ActionKind::kHook:
            SetHook(action.cpe, action.line, action.value != 0);
            break;
        case ActionKind::kRing:
            SetRing(action.cpe, action.line, action.value != 0);
            break;
        case ActionKind::kSfd:
            ReportSfdLosses(action.cpe, uint16_t(action.value));
            break;
        case ActionKind::kRssi:
            SetRssi(action.cpe, uint8_t(action.value));
            break;
        case ActionKind::kTemp:
            SetTemperature(int(action.value));
            break;
        case ActionKind::kSay:
            out_.Line(action.text);
            break;
    }
}

void Network::RunRandom(int64_t nowMs) {
    for (int cpe = 0; cpe < SubscriberCount(); ++cpe) {
        while (!linkLossActive_ && subscribers_[cpe].present && subscribers_[cpe].nextStepMs <= nowMs) {
            StepRandom(cpe, subscribers_[cpe].nextStepMs);
        }
    }
    while (nextDriftMs_ <= nowMs) {
        Drift();
        nextDriftMs_ += kDriftPeriodMs;
    }
}

void Network::StepRandom(int cpe, int64_t nowMs) {
    Subscriber& sub = subscribers_[cpe];
    switch (sub.state) {
        case LinkState::kAcquisition:
            sub.rssi = uint8_t(Between(kMinRssi + 10, 90));
            StartRanging(cpe);
            sub.nextStepMs = nowMs + Between(1000, 3000);
            break;
        case LinkState::kRanging:
            // Ranging mostly succeeds; now and then the CPE drops out and starts over.
            Between(0, 9) == 0 ? LoseLink(cpe) : CompleteRanging(cpe);
            sub.nextStepMs = nowMs + Between(2000, 6000);
            break;
        case LinkState::kLocked:
            StepLocked(cpe);
            sub.nextStepMs = nowMs + Between(2000, 8000);
            break;
    }
}

void Network::StepLocked(int cpe) {
    const int64_t roll = Between(0, 99);
    if (roll < 45) {
        PhoneActivity(cpe);
    } else if (roll < 70) {
        ReportSfdLosses(cpe, uint16_t(subscribers_[cpe].sfdLosses + Between(1, 3)));
    } else if (roll < 74) {
        LoseLink(cpe);
    }
}

// A call's life on one line: ringing, answered or given up, hung up; or an outgoing call.
void Network::PhoneActivity(int cpe) {
    const int line = int(Between(0, 1));
    const Subscriber& sub = subscribers_[cpe];
    if (sub.ringing[line]) {
        SetRing(cpe, line, false);
        if (Between(0, 1) == 1) {
            SetHook(cpe, line, true);
        }
    } else if (sub.offHook[line]) {
        SetHook(cpe, line, false);
    } else if (Between(0, 1) == 1) {
        SetRing(cpe, line, true);
    } else {
        SetHook(cpe, line, true);
    }
}

void Network::Drift() {
    for (Subscriber& sub : subscribers_) {
        if (sub.state != LinkState::kAcquisition) {
            sub.rssi = uint8_t(std::clamp<int64_t>(sub.rssi + Between(-3, 3), kMinRssi, kMaxRssi));
        }
    }
    if (Between(0, 4) == 0) {
        temperature_ = int(std::clamp<int64_t>(temperature_ + Between(-1, 1), 20, 45));
    }
}

void Network::StartRanging(int cpe) {
    subscribers_.at(cpe).state = LinkState::kRanging;
    Event(cpe, "Starting Ranging");
}

void Network::CompleteRanging(int cpe) {
    subscribers_.at(cpe).state = LinkState::kLocked;
    Event(cpe, "Ranging Completed Successfully");
}

void Network::LoseLink(int cpe) {
    ClearLink(cpe);
    Event(cpe, config_.role == Role::kLineCard ? "Communications Lost" : "Starting Acquisition");
}

void Network::CommandedReset(int cpe) {
    ClearLink(cpe);
    Event(cpe, config_.role == Role::kLineCard ? "Commanded Reset" : "Starting Acquisition");
}

void Network::SetHook(int cpe, int line, bool offHook) {
    subscribers_.at(cpe).offHook.at(line) = offHook;
    Event(cpe, "Channel " + Hex(unsigned(line), 2) + (offHook ? " OFF HOOK" : " ON HOOK"));
}

void Network::SetRing(int cpe, int line, bool on) {
    subscribers_.at(cpe).ringing.at(line) = on;
    Event(cpe, "Channel " + Hex(unsigned(line), 2) + (on ? " RING ON" : " RING OFF"));
}

void Network::ReportSfdLosses(int cpe, uint16_t count) {
    subscribers_.at(cpe).sfdLosses = count;
    Event(cpe, "SFD Loss Count: " + Hex(count, 4));
}

// A link that is lost or reset takes its calls with it; the counters start again.
void Network::ClearLink(int cpe) {
    Subscriber& sub = subscribers_.at(cpe);
    sub.state = LinkState::kAcquisition;
    sub.rssi = 0;
    sub.sfdLosses = 0;
    sub.offHook = {};
    sub.ringing = {};
    sub.relockMs = -1;
}

// A Line Card names the CPE first ("Subscriber 02 ..."); a CPE speaks of its own link only.
void Network::Event(int cpe, const std::string& text) {
    out_.Line(config_.role == Role::kLineCard ? "Subscriber " + Hex(unsigned(cpe), 2) + " " + text : text);
}

int64_t Network::Between(int64_t low, int64_t high) {
    return std::uniform_int_distribution<int64_t>(low, high)(rng_);
}

}  // namespace velmora_sim
