#pragma once

#include "rack/AlarmWatch.h"
#include "rack/BoardLog.h"
#include "rack/RackBoard.h"

#include <QtGlobal>

#include <algorithm>
#include <optional>

// The least, greatest and mean of a reading sampled over the run.
struct Reading {
    double Least = 0;
    double Greatest = 0;
    double Sum = 0;
    qint64 Count = 0;

    void Add(double value) {
        Least = Count == 0 ? value : std::min(Least, value);
        Greatest = Count == 0 ? value : std::max(Greatest, value);
        Sum += value;
        ++Count;
    }
};

// Everything the rack keeps of one board: its session, its log, its alarms and what it has counted.
struct BoardRecord {
    BoardRecord(const QString& name, const QString& port, BoardListener& listener, qint64 alarmAfterMs,
                qint64 quietAfterMs, qint64 now)
        : Board(name, port, listener), Alarms(alarmAfterMs, quietAfterMs, now), StartedMs(now) {}

    RackBoard Board;
    std::optional<BoardLog> Log;
    AlarmWatch Alarms;
    Reading Temperature;
    Reading Signal;
    qint64 StartedMs;
    int Reboots = 0;
    int PortLosses = 0;
    qint64 ReceivedBytes = 0;
    bool EverOpened = false;
};
