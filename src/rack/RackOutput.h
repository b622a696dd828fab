#pragma once

#include "status/StatusLevels.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

enum class RackOutputMode { Json, Plain, Terminal };

// A cell of the terminal's table, coloured by its level as the window colours its field.
struct TableCell {
    QString Text;
    std::optional<StatusLevel> Level = std::nullopt;
};

// One thing that happened to a board: its kind ("field", "alarm", ...) and what to say of it, in order.
struct RackEvent {
    QDateTime Time;
    QString Board;
    QString Kind;
    QList<std::pair<QString, QJsonValue>> Details;
};

// Where events go: JSON Lines, or plain lines "TIME BOARD EVENT key=value..."; on a terminal the rack shows a
// table instead and prints no event.
class RackOutput {
  public:
    RackOutput(RackOutputMode mode, std::function<void(const QByteArray&)> write);

    RackOutputMode Mode() const { return mode_; }
    void Event(const RackEvent& event);
    // The table, drawn over the previous one.
    void Table(const QList<QList<TableCell>>& rows);

    static QByteArray JsonLine(const RackEvent& event);
    static QByteArray PlainLine(const RackEvent& event);

  private:
    RackOutputMode mode_;
    std::function<void(const QByteArray&)> write_;
};

QString IsoTime(const QDateTime& time);  // UTC, milliseconds: "2026-12-10T07:30:00.123Z"
