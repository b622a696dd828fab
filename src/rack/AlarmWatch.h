#pragma once

#include "status/StatusLevels.h"

#include <QtGlobal>

#include <array>
#include <optional>
#include <vector>

enum class Alarm {
    kOpStateBad,
    kSignalStrengthBad,
    kSfdLossesBad,
    kTemperatureBad,
    kSilent,
    kRebooted,
    kPortLost
};
inline constexpr int kAlarmCount = static_cast<int>(Alarm::kPortLost) + 1;
inline constexpr int kColouredFieldCount = 4;  // the first four alarms watch one each

const char* AlarmName(Alarm alarm);

struct AlarmChange {
    Alarm Which;
    bool Raised;
    bool operator==(const AlarmChange&) const = default;
};

// One board's alarms, from what was heard of it and when (milliseconds on any steady clock):
// - a coloured field at bad for longer than the alarm time;
// - the board silent, its port open, for longer than the quiet time;
// - the board rebooted by itself: raised for the quiet time;
// - its port lost (or never opened) for longer than the quiet time.
// An alarm is raised or cleared when the watch is evaluated.
class AlarmWatch {
  public:
    AlarmWatch(qint64 alarmAfterMs, qint64 quietAfterMs, qint64 now);

    void LevelChanged(int colouredField, std::optional<StatusLevel> level, qint64 now);
    void Heard(qint64 now);
    void PortOpened(qint64 now);
    void PortLost(qint64 now);
    void Rebooted(qint64 now);

    // The alarms raised or cleared since the last evaluation, in the order of the alarms.
    std::vector<AlarmChange> Evaluate(qint64 now);
    bool IsRaised(Alarm alarm) const { return raised_[static_cast<int>(alarm)]; }
    int TimesRaised() const { return timesRaised_; }

  private:
    bool Due(Alarm alarm, qint64 now) const;

    qint64 alarmAfterMs_;
    qint64 quietAfterMs_;
    std::array<std::optional<qint64>, kColouredFieldCount> badSince_{};
    std::optional<qint64> lostSince_;  // the port is not open
    qint64 lastHeard_;
    std::optional<qint64> rebootedAt_;
    std::array<bool, kAlarmCount> raised_{};
    int timesRaised_ = 0;
};
