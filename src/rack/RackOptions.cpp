#include "rack/RackOptions.h"

#include "link/ComPorts.h"

#include <QCommandLineParser>
#include <QFile>
#include <QRegularExpression>

#include <yaml-cpp/yaml.h>

namespace {

constexpr int kLongestWaitS = 7 * 24 * 3600;
constexpr qsizetype kLongestName = 64;

const char* const kDescription =
    "Watches a rack of Velmora boards over their serial consoles (57600 8N1), each polled as the window "
    "polls\n"
    "it, with nobody at the controls: status and alarms as JSON Lines or a table, Prometheus metrics, and "
    "each\n"
    "board's console logged byte for byte.\n"
    "NAME names the board in events, metrics and log files (letters, digits, '.', '_', '-'). PORT is a "
    "device\n"
    "path, a /dev/serial/by-id or /dev/serial/by-path link, or COMn as the window maps it (VELMORA_COM<n>).\n"
    "A port that does not open is tried again every second; a lost one is awaited and opened again.\n"
    "\n"
    "Signals: SIGINT and SIGTERM end the run with a summary; SIGUSR1 prints the summary; SIGHUP reopens the\n"
    "logs. Exit status: 0 no alarm was raised during the run, 1 an alarm was raised, 2 usage error.";

// What the configuration file and the command line say, before it is checked.
struct Settings {
    QString LogDir;
    QString AlarmAfter = QStringLiteral("10");
    QString QuietAfter = QStringLiteral("30");
    QString Metrics;
    bool Json = false;
    QList<RackBoardEntry> Boards;
};

QString Usage(const QString& error) {
    return QStringLiteral("velmora-rack: %1\nTry 'velmora-rack --help'.\n").arg(error);
}

QString TextOf(const YAML::Node& node) {
    return QString::fromStdString(node.as<std::string>());
}

// The file's keys are the long options' names; its boards a list of name and port.
std::optional<QString> ReadConfig(const QString& path, Settings& settings) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("%1: %2").arg(path, file.errorString());
    }
    try {
        const YAML::Node root = YAML::Load(file.readAll().toStdString());
        if (!root.IsMap()) {
            return QStringLiteral("%1: a mapping of settings is expected.").arg(path);
        }
        for (const auto& entry : root) {
            const std::string key = entry.first.as<std::string>();
            const YAML::Node& value = entry.second;
            if (key == "log-dir") {
                settings.LogDir = TextOf(value);
            } else if (key == "alarm-after") {
                settings.AlarmAfter = TextOf(value);
            } else if (key == "quiet-after") {
                settings.QuietAfter = TextOf(value);
            } else if (key == "metrics") {
                settings.Metrics = TextOf(value);
            } else if (key == "json") {
                settings.Json = value.as<bool>();
            } else if (key == "boards" && (value.IsSequence() || value.IsNull())) {
                for (const YAML::Node& board : value) {
                    if (!board.IsMap() || board.size() != 2 || !board["name"] || !board["port"]) {
                        return QStringLiteral("%1: each board needs a name and a port, nothing else.")
                            .arg(path);
                    }
                    settings.Boards << RackBoardEntry{TextOf(board["name"]), TextOf(board["port"])};
                }
            } else {
                return QStringLiteral("%1: unknown setting \"%2\".").arg(path, QString::fromStdString(key));
            }
        }
    } catch (const YAML::Exception& error) {
        return QStringLiteral("%1: %2").arg(path, QString::fromStdString(error.what()));
    }
    return std::nullopt;
}

std::optional<int> Seconds(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= 1 && value <= kLongestWaitS ? std::optional(value) : std::nullopt;
}

// "[HOST:]PORT", an IPv6 host in brackets; the loopback address unless a host is given.
std::optional<MetricsAddress> MetricsAddressOf(const QString& text) {
    static const QRegularExpression form(QStringLiteral(R"(^(?:(\[[^\]]+\]|[^:\[\]]+):)?(\d{1,5})$)"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    QString host = match.captured(1);
    if (host.startsWith(u'[')) {
        host = host.mid(1, host.size() - 2);
    }
    const QHostAddress address = host.isEmpty() || host == QStringLiteral("localhost")
                                     ? QHostAddress(QHostAddress::LocalHost)
                                     : QHostAddress(host);
    const int port = match.captured(2).toInt();
    if (address.isNull() || port < 1 || port > 65535) {
        return std::nullopt;
    }
    return MetricsAddress{address, static_cast<quint16>(port)};
}

QString BoardsError(const QList<RackBoardEntry>& boards) {
    static const QRegularExpression fileSafe(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9._-]*$"));
    if (boards.isEmpty()) {
        return QStringLiteral("At least one board (NAME=PORT) is needed.");
    }
    QStringList names;
    QStringList devices;
    for (const RackBoardEntry& board : boards) {
        if (!fileSafe.match(board.Name).hasMatch() || board.Name.size() > kLongestName) {
            return QStringLiteral(
                       "\"%1\" is not a board name: up to %2 letters, digits, '.', '_' or '-', "
                       "starting with a letter or digit.")
                .arg(board.Name)
                .arg(kLongestName);
        }
        if (board.Port.isEmpty()) {
            return QStringLiteral("Board %1 has no port.").arg(board.Name);
        }
        if (names.contains(board.Name)) {
            return QStringLiteral("The name %1 is given twice.").arg(board.Name);
        }
        const QString device = DeviceOfPort(board.Port);
        if (devices.contains(device)) {
            return QStringLiteral("%1 is given twice.").arg(board.Port);
        }
        names << board.Name;
        devices << device;
    }
    return {};
}

// Boards given as NAME=PORT.
std::optional<QString> AddBoards(const QStringList& positional, Settings& settings) {
    for (const QString& argument : positional) {
        const qsizetype equals = argument.indexOf(u'=');
        if (equals < 0) {
            return QStringLiteral("\"%1\" is not NAME=PORT.").arg(argument);
        }
        settings.Boards << RackBoardEntry{argument.left(equals), argument.mid(equals + 1)};
    }
    return std::nullopt;
}

ParsedRackArguments Refused(const QString& error) {
    return {std::nullopt, Usage(error), kRackUsageError};
}

}  // namespace

ParsedRackArguments ParseRackArguments(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption config(QStringLiteral("config"),
                                    QStringLiteral("Read settings and boards from a YAML file; options given "
                                                   "here win, boards given here are added."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption logDir(QStringLiteral("log-dir"),
                                    QStringLiteral("Log each board's console to DIR/NAME.log, with the time "
                                                   "of each piece in DIR/NAME.times."),
                                    QStringLiteral("DIR"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("JSON Lines on stdout."));
    const QCommandLineOption alarmAfter(
        QStringLiteral("alarm-after"),
        QStringLiteral("Raise an alarm for a status field at bad for longer than S seconds (10)."),
        QStringLiteral("S"));
    const QCommandLineOption quietAfter(
        QStringLiteral("quiet-after"),
        QStringLiteral(
            "Raise an alarm for a board silent, or its port lost, for longer than S seconds (30)."),
        QStringLiteral("S"));
    const QCommandLineOption metrics(
        QStringLiteral("metrics"),
        QStringLiteral("Serve Prometheus metrics on http://HOST:PORT/metrics (HOST 127.0.0.1 by default)."),
        QStringLiteral("[HOST:]PORT"));
    parser.addOptions({config, logDir, json, alarmAfter, quietAfter, metrics});
    parser.addPositionalArgument(QStringLiteral("NAME=PORT"), QStringLiteral("A board of the rack."),
                                 QStringLiteral("NAME=PORT..."));
    if (!parser.parse(arguments)) {
        return Refused(parser.errorText());
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        return {std::nullopt, parser.helpText(), 0};
    }
    if (parser.isSet(version)) {
        return {std::nullopt, QStringLiteral("velmora-rack %1\n").arg(QStringLiteral(VELMORA_VERSION)), 0};
    }
    Settings settings;
    if (parser.isSet(config)) {
        if (const std::optional<QString> error = ReadConfig(parser.value(config), settings)) {
            return Refused(*error);
        }
    }
    if (const std::optional<QString> error = AddBoards(parser.positionalArguments(), settings)) {
        return Refused(*error);
    }
    for (const auto& [option, setting] : {std::pair{&logDir, &settings.LogDir},
                                          {&alarmAfter, &settings.AlarmAfter},
                                          {&quietAfter, &settings.QuietAfter},
                                          {&metrics, &settings.Metrics}}) {
        if (parser.isSet(*option)) {
            *setting = parser.value(*option);
        }
    }
    RackOptions options;
    options.Boards = settings.Boards;
    options.LogDir = settings.LogDir;
    options.Json = settings.Json || parser.isSet(json);
    for (const auto& [name, text, seconds] :
         {std::tuple{"alarm-after", settings.AlarmAfter, &options.AlarmAfterS},
          {"quiet-after", settings.QuietAfter, &options.QuietAfterS}}) {
        const std::optional<int> value = Seconds(text);
        if (!value) {
            return Refused(QStringLiteral("--%1 takes whole seconds from 1 to %2.")
                               .arg(QLatin1String(name))
                               .arg(kLongestWaitS));
        }
        *seconds = *value;
    }
    if (!settings.Metrics.isEmpty()) {
        options.Metrics = MetricsAddressOf(settings.Metrics);
        if (!options.Metrics) {
            return Refused(QStringLiteral("--metrics takes [HOST:]PORT, HOST an IP address."));
        }
    }
    const QString boardsError = BoardsError(options.Boards);
    if (!boardsError.isEmpty()) {
        return Refused(boardsError);
    }
    return {options, {}, 0};
}
