#include "QtPrinters.h"

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

struct Invocation {
    QStringList Arguments;
    bool PrintsHelp;  // otherwise the version
};

// Every request for help or the version is answered without a display and ends the program.
TEST(CommandLine, HelpAndVersionPrintAndExitWithoutDisplay) {
    const QString program = QStringLiteral(VELMORA_GUI_PATH);
    const QString usage = QStringLiteral("Usage: %1 [options]\n"
                                         "Service tool for a Velmora board on a serial port at 57600 8N1.\n")
                              .arg(program);
    const Invocation runs[] = {
        {{"--help"}, true},
        {{"-?"}, true},
        {{"--help-all"}, true},
        {{"--version"}, false},
        {{"-platform", "offscreen", "--version"}, false},
    };
    for (const Invocation& run : runs) {
        SCOPED_TRACE(run.Arguments.join(' ').toStdString());
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            environment.remove(QString::fromLatin1(name));
        }
        process.setProcessEnvironment(environment);
        process.start(program, run.Arguments);
        if (!process.waitForFinished(30000)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "still running after 30 s";
            continue;
        }
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0);
        const QString output = QString::fromLocal8Bit(process.readAllStandardOutput());
        if (run.PrintsHelp) {
            EXPECT_TRUE(output.startsWith(usage)) << output.toStdString();
            // Only --help-all lists Qt's own options.
            EXPECT_EQ(output.contains(QStringLiteral("\n  --platform <platformName[:options]>")),
                      run.Arguments.contains(QStringLiteral("--help-all")));
        } else {
            EXPECT_EQ(output, QStringLiteral("velmora-gui " VELMORA_VERSION "\n"));
        }
    }
}

}  // namespace
