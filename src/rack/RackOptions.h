#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>

#include <optional>

// One board of the rack: the name its logs, events and metrics go by, and its port.
struct RackBoardEntry {
    QString Name;
    QString Port;  // a device path, a /dev/serial link, or "COMn"
};

struct MetricsAddress {
    QHostAddress Host;
    quint16 Port = 0;
};

struct RackOptions {
    QList<RackBoardEntry> Boards;
    QString LogDir;  // empty: no logs
    bool Json = false;
    int AlarmAfterS = 10;
    int QuietAfterS = 30;
    std::optional<MetricsAddress> Metrics;
};

// The command line read: options to run with, or a text to print and the exit status to end with.
struct ParsedRackArguments {
    std::optional<RackOptions> Options;
    QString Text;    // help or version on stdout; a usage error on stderr
    int Status = 0;  // when there are no options: 0 after help or version, 2 after a usage error
};

inline constexpr int kRackUsageError = 2;

// The arguments include the program name first, as QCoreApplication::arguments() gives them. A configuration
// file named by --config is read here too: everything is checked before any port is opened.
ParsedRackArguments ParseRackArguments(const QStringList& arguments);
