#include "rack/AlarmWatch.h"

const char* AlarmName(Alarm alarm) {
    static constexpr const char* kNames[kAlarmCount] = {
        "op_state_bad", "signal_strength_bad", "sfd_losses_bad", "temperature_bad", "silent", "rebooted",
        "port_lost"};
    return kNames[static_cast<int>(alarm)];
}

AlarmWatch::AlarmWatch(qint64 alarmAfterMs, qint64 quietAfterMs, qint64 now)
    : alarmAfterMs_(alarmAfterMs), quietAfterMs_(quietAfterMs), lostSince_(now), lastHeard_(now) {}

void AlarmWatch::LevelChanged(int colouredField, std::optional<StatusLevel> level, qint64 now) {
    std::optional<qint64>& since = badSince_[colouredField];
    if (level != StatusLevel::kBad) {
        since.reset();
    } else if (!since) {
        since = now;
    }
}

void AlarmWatch::Heard(qint64 now) {
    lastHeard_ = now;
}

void AlarmWatch::PortOpened(qint64 now) {
    lostSince_.reset();
    lastHeard_ = now;  // silence counts from here
}

void AlarmWatch::PortLost(qint64 now) {
    lostSince_ = now;
    badSince_ = {};  // the board is forgotten: its fields are blank
}

void AlarmWatch::Rebooted(qint64 now) {
    rebootedAt_ = now;
}

bool AlarmWatch::Due(Alarm alarm, qint64 now) const {
    const int index = static_cast<int>(alarm);
    if (index < kColouredFieldCount) {
        return badSince_[index] && now - *badSince_[index] > alarmAfterMs_;
    }
    switch (alarm) {
        case Alarm::kSilent:
            return !lostSince_ && now - lastHeard_ > quietAfterMs_;
        case Alarm::kRebooted:
            return rebootedAt_ && now - *rebootedAt_ <= quietAfterMs_;
        default:
            return lostSince_ && now - *lostSince_ > quietAfterMs_;
    }
}

std::vector<AlarmChange> AlarmWatch::Evaluate(qint64 now) {
    std::vector<AlarmChange> changes;
    for (int index = 0; index < kAlarmCount; ++index) {
        const auto alarm = static_cast<Alarm>(index);
        const bool due = Due(alarm, now);
        if (due != raised_[index]) {
            raised_[index] = due;
            timesRaised_ += due ? 1 : 0;
            changes.push_back({alarm, due});
        }
    }
    return changes;
}
