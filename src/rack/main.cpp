#include "rack/Rack.h"
#include "signals/StopSignals.h"

#include <QCoreApplication>

#include <unistd.h>
#include <csignal>
#include <cstdio>

namespace {

void WriteTo(std::FILE* stream, const QByteArray& bytes) {
    // Nothing to do about a closed stream: the logs and the metrics go on.
    (void)std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    (void)std::fflush(stream);
}

RackOutputMode ModeFor(const RackOptions& options) {
    if (options.Json) {
        return RackOutputMode::Json;
    }
    return ::isatty(STDOUT_FILENO) != 0 && qEnvironmentVariable("TERM") != QStringLiteral("dumb")
               ? RackOutputMode::Terminal
               : RackOutputMode::Plain;
}

}  // namespace

int main(int argc, char* argv[]) {
    // A reader of the status stream that goes away must not end the watch.
    (void)std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmora-rack"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));
    const ParsedRackArguments parsed = ParseRackArguments(QCoreApplication::arguments());
    if (!parsed.Options) {
        WriteTo(parsed.Status == 0 ? stdout : stderr, parsed.Text.toLocal8Bit());
        return parsed.Status;
    }
    RackOutput output(ModeFor(*parsed.Options), [](const QByteArray& bytes) { WriteTo(stdout, bytes); });
    Rack rack(*parsed.Options, output, [](const QByteArray& bytes) { WriteTo(stderr, bytes); });
    if (const std::optional<QString> error = rack.Start()) {
        WriteTo(stderr, QStringLiteral("velmora-rack: %1\n").arg(*error).toLocal8Bit());
        return kRackUsageError;
    }
    const StopSignals signalled(
        [&rack](int signal) {
            switch (signal) {
                case SIGHUP:
                    rack.ReopenLogs();
                    break;
                case SIGUSR1:
                    rack.Summary();
                    break;
                default:
                    rack.Summary();
                    rack.Stop();
                    QCoreApplication::exit(rack.AnyAlarmRaised() ? 1 : 0);
                    break;
            }
        },
        {SIGHUP, SIGINT, SIGUSR1, SIGTERM});
    return QCoreApplication::exec();
}
