#include "flash/FlashOptions.h"

#include "flash/BoardResult.h"
#include "link/ComPorts.h"

#include <QCommandLineParser>

#include <cmath>
#include <utility>

namespace {

constexpr double kLongestVerifyS = 3600;
constexpr int kMostRetries = 100;

const char* const kDescription =
    "Flashes a program file into one or more Velmora boards over their serial consoles (57600 8N1), through\n"
    "the boot loader as the window's \"Program Download\" does, all boards at once.\n"
    "PORT is a device path (/dev/ttyUSB0, /dev/serial/by-id/..., a pty) or COMn as the window maps it:\n"
    "the device named by VELMORA_COM<n> (n = 1..8) when set, otherwise the n-th serial device.\n"
    "\n"
    "Exit status: 0 every board flashed (and its program started, unless --no-verify); 1 more than one "
    "board\n"
    "and not all flashed; 2 usage error. With one board, or when every board failed alike: 3 file refused,\n"
    "4 port did not open, 5 boot loader not detected, 6 boot loader unresponsive, 7 port lost, 8 no\n"
    "application banner after the final reset, 130 interrupted (every board is reset).";

std::optional<int> Retries(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= 0 && value <= kMostRetries ? std::optional(value) : std::nullopt;
}

std::optional<int> VerifyTimeoutMs(const QString& seconds) {
    bool ok = false;
    const double value = seconds.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value <= 0 || value > kLongestVerifyS) {
        return std::nullopt;
    }
    return static_cast<int>(std::ceil(value * 1000));
}

QString Usage(const QString& error) {
    return QStringLiteral("velmora-flash: %1\nTry 'velmora-flash --help'.\n").arg(error);
}

QString PortsError(const QStringList& ports) {
    QStringList devices;
    for (const QString& port : ports) {
        const QString device = DeviceOfPort(port);
        if (devices.contains(device)) {
            return QStringLiteral("%1 is given twice.").arg(port);
        }
        devices << device;
    }
    return {};
}

}  // namespace

ParsedArguments ParseArguments(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("JSON Lines on stdout, nothing else."));
    const QCommandLineOption noHexCheck(QStringLiteral("no-hex-check"),
                                        QStringLiteral("Send any file, as the window does."));
    const QCommandLineOption verifyTimeout(
        QStringLiteral("verify-timeout"),
        QStringLiteral("Wait up to S seconds for the application's banner after the final reset (20)."),
        QStringLiteral("S"), QStringLiteral("20"));
    const QCommandLineOption noVerify(QStringLiteral("no-verify"),
                                      QStringLiteral("Do not wait for the application's banner."));
    const QCommandLineOption retries(
        QStringLiteral("retries"),
        QStringLiteral(
            "Flash a board that ends not detected, unresponsive or without a banner again, up to N times "
            "(0)."),
        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption quiet(QStringLiteral("quiet"),
                                   QStringLiteral("Print only the result lines and the summary."));
    parser.addOptions({json, noHexCheck, verifyTimeout, noVerify, retries, quiet});
    parser.addPositionalArgument(QStringLiteral("FILE.hex"), QStringLiteral("The program file."));
    parser.addPositionalArgument(QStringLiteral("PORT"),
                                 QStringLiteral("A board's port; several flash at once."),
                                 QStringLiteral("PORT..."));
    if (!parser.parse(arguments)) {
        return {std::nullopt, Usage(parser.errorText()), kUsageError};
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        return {std::nullopt, parser.helpText(), 0};
    }
    if (parser.isSet(version)) {
        return {std::nullopt, QStringLiteral("velmora-flash %1\n").arg(QStringLiteral(VELMORA_VERSION)), 0};
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() < 2) {
        return {std::nullopt, Usage(QStringLiteral("A program file and at least one port are needed.")),
                kUsageError};
    }
    // Alternatives in the synopsis: given together they contradict each other.
    for (const auto& [first, second] : {std::pair{&verifyTimeout, &noVerify}, std::pair{&quiet, &json}}) {
        if (parser.isSet(*first) && parser.isSet(*second)) {
            return {std::nullopt,
                    Usage(QStringLiteral("--%1 and --%2 exclude each other.")
                              .arg(first->names().constFirst(), second->names().constFirst())),
                    kUsageError};
        }
    }
    const std::optional<int> tries = Retries(parser.value(retries));
    if (!tries) {
        return {std::nullopt,
                Usage(QStringLiteral("--retries takes a whole number from 0 to %1.").arg(kMostRetries)),
                kUsageError};
    }
    const std::optional<int> timeoutMs = VerifyTimeoutMs(parser.value(verifyTimeout));
    if (!timeoutMs) {
        return {
            std::nullopt,
            Usage(QStringLiteral("--verify-timeout takes seconds above 0, at most %1.").arg(kLongestVerifyS)),
            kUsageError};
    }
    FlashOptions options{.ProgramPath = positional.constFirst(),
                         .Ports = positional.mid(1),
                         .Json = parser.isSet(json),
                         .HexCheck = !parser.isSet(noHexCheck),
                         .VerifyTimeoutMs = parser.isSet(noVerify) ? 0 : *timeoutMs,
                         .Retries = *tries,
                         .Quiet = parser.isSet(quiet)};
    const QString portsError = PortsError(options.Ports);
    if (!portsError.isEmpty()) {
        return {std::nullopt, Usage(portsError), kUsageError};
    }
    return {options, {}, 0};
}
