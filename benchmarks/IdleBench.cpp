#include "Bench.h"
#include "FakePrompts.h"
#include "Pty.h"
#include "app/GuiMain.h"
#include "link/QtSerialPort.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

namespace {

// The percentage of a core used while a plain event loop runs, as the tool's own: the test helpers' polling
// wait would cost more than the tool.
double CorePercentWhileIdle(int seconds) {
    return CpuShareWhileEventLoopRuns(seconds * 1000) * 100.0;
}

QString CpuText(double percent) {
    return QStringLiteral("%1 s/min = %2 %").arg(percent * 0.6, 0, 'f', 3).arg(percent, 0, 'f', 2);
}

}  // namespace

// The tool polling a simulated Line Card, as an engineer leaves it running, and then awaiting the board's
// terminal once it has gone: CPU time and memory of the tool alone (the simulator is another process).
QList<Figure> IdleFigures(int seconds) {
    QTemporaryDir dir;
    const QString pathFile = dir.filePath(QStringLiteral("path"));
    QProcess simulator;
    simulator.start(QStringLiteral(VELMORA_SIM_PATH), {QStringLiteral("--app"), QStringLiteral("linecard"),
                                                       QStringLiteral("--path-file"), pathFile});
    WaitFor([&] { return QFile::exists(pathFile); }, 5000);
    QFile path(pathFile);
    path.open(QIODevice::ReadOnly);
    // A link that goes with the simulator, so the lost port is never reopened on another program's terminal.
    const QString link = dir.filePath(QStringLiteral("com1"));
    QFile::link(QString::fromLocal8Bit(path.readLine().trimmed()), link);
    qputenv("VELMORA_COM1", QFile::encodeName(link));

    QtSerialPort port;
    FakePrompts prompts;
    GuiMain window(port, prompts);
    window.Form_Load();
    window.show();
    window.CommPortSelect->setCurrentIndex(1);
    const bool detected = WaitFor([&] { return window.Session.State.ActiveProgram == kLineCardApp; }, 10000);
    WaitFor([] { return false; }, 3000);  // past the first poll steps

    const double polling = CorePercentWhileIdle(seconds);
    const double resident = ResidentMegabytes();
    simulator.terminate();
    simulator.waitForFinished(3000);
    const bool lost = WaitFor([&] { return window.Session.ReopenTimer.isActive(); }, 5000);
    QFile::remove(link);
    const double awaiting = CorePercentWhileIdle(seconds);
    qunsetenv("VELMORA_COM1");
    return {
        {QStringLiteral("idle polling CPU (%1 s)").arg(seconds), CpuText(polling),
         QStringLiteral("< 0.5 % of a core"), detected && polling < 0.5},
        {QStringLiteral("idle resident memory"), QStringLiteral("%1 MB").arg(resident, 0, 'f', 1),
         QStringLiteral("< 60 MB"), resident < 60},
        {QStringLiteral("awaiting a lost port CPU (%1 s)").arg(seconds), CpuText(awaiting),
         QStringLiteral("< 0.5 % of a core"), lost && awaiting < 0.5},
    };
}
