#include "flash/FlashOptions.h"
#include "flash/FlashOutput.h"
#include "flash/FlashRun.h"
#include "flash/ProgramCheck.h"
#ifdef Q_OS_UNIX
#include "signals/StopSignals.h"
#endif

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

void WriteTo(std::FILE* stream, const QByteArray& bytes) {
    // Nothing to do about a closed stdout: the exit status still tells.
    (void)std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    (void)std::fflush(stream);
}

OutputMode ModeFor(const FlashOptions& options) {
    if (options.Json) {
        return OutputMode::Json;
    }
    if (options.Quiet) {
        return OutputMode::Quiet;
    }
#ifdef Q_OS_UNIX
    return ::isatty(STDOUT_FILENO) != 0 && qEnvironmentVariable("TERM") != QStringLiteral("dumb")
               ? OutputMode::Terminal
               : OutputMode::Plain;
#else
    return OutputMode::Plain;
#endif
}

int TerminalColumns() {
#ifdef Q_OS_UNIX
    winsize size{};
    return ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
#else
    return 0;
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
#ifdef Q_OS_UNIX
    // A reader that goes away (velmora-flash ... | head) must not end the run before every board is reset.
    (void)std::signal(SIGPIPE, SIG_IGN);
#endif
    const QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmora-flash"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));
    const ParsedArguments parsed = ParseArguments(QCoreApplication::arguments());
    if (!parsed.Options) {
        WriteTo(parsed.Status == 0 ? stdout : stderr, parsed.Text.toLocal8Bit());
        return parsed.Status;
    }
    const FlashOptions& options = *parsed.Options;
    const CheckedProgram program = CheckProgramFile(options.ProgramPath, options.HexCheck);
    FlashOutput output(ModeFor(options),
                       {options.ProgramPath, program.Sha256, options.Ports, TerminalColumns()},
                       [](const QByteArray& bytes) { WriteTo(stdout, bytes); });
    if (!program.Error.isEmpty()) {
        output.Refuse(program.Error);  // nothing is opened or sent
        return static_cast<int>(BoardResult::FileRefused);
    }
    FlashRun run(options, program.Bytes, output);
#ifdef Q_OS_UNIX
    // A closed terminal or ssh session (SIGHUP) stops the run as SIGTERM does: no board is left in its boot
    // loader.
    const StopSignals stopSignals([&run] { run.Interrupt(); }, {SIGTERM, SIGINT, SIGHUP});
#endif
    QObject::connect(&run, &FlashRun::Finished, &app, [](int status) { QCoreApplication::exit(status); });
    run.Start();
    return QCoreApplication::exec();
}
