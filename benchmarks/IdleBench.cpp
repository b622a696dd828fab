#include "Bench.h"
#include "FakePrompts.h"
#include "Pty.h"
#include "app/GuiMain.h"
#include "link/QtSerialPort.h"

#include <QComboBox>
#include <QEventLoop>
#include <QTimer>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

// The tool polling a simulated Line Card, as an engineer leaves it running: CPU time and memory of the tool
// alone (the simulator is another process).
QList<Figure> IdleFigures(int seconds) {
    QTemporaryDir dir;
    const QString pathFile = dir.filePath(QStringLiteral("path"));
    QProcess simulator;
    simulator.start(QStringLiteral(VELMORA_SIM_PATH),
                    {QStringLiteral("--app"), QStringLiteral("linecard"), QStringLiteral("--path-file"), pathFile});
    WaitFor([&] { return QFile::exists(pathFile); }, 5000);
    QFile path(pathFile);
    path.open(QIODevice::ReadOnly);
    qputenv("VELMORA_COM1", path.readLine().trimmed());

    QtSerialPort port;
    FakePrompts prompts;
    GuiMain window(port, prompts);
    window.Form_Load();
    window.show();
    window.CommPortSelect->setCurrentIndex(1);
    const bool detected = WaitFor([&] { return window.State.ActiveProgram == kLineCardApp; }, 10000);
    WaitFor([] { return false; }, 3000);  // past the first poll steps

    // A plain event loop, as the tool's own: the test helpers' polling wait would cost more than the tool.
    const double cpuBefore = CpuSeconds();
    QEventLoop idle;
    QTimer::singleShot(seconds * 1000, &idle, &QEventLoop::quit);
    idle.exec();
    const double cpuPerMinute = (CpuSeconds() - cpuBefore) * 60.0 / seconds;
    const double resident = ResidentMegabytes();
    simulator.terminate();
    simulator.waitForFinished(3000);
    qunsetenv("VELMORA_COM1");
    const double share = cpuPerMinute / 60.0 * 100.0;
    return {
        {QStringLiteral("idle polling CPU (%1 s)").arg(seconds),
         QStringLiteral("%1 s/min = %2 %").arg(cpuPerMinute, 0, 'f', 3).arg(share, 0, 'f', 2),
         QStringLiteral("< 0.5 % of a core"), detected && share < 0.5},
        {QStringLiteral("idle resident memory"), QStringLiteral("%1 MB").arg(resident, 0, 'f', 1),
         QStringLiteral("< 60 MB"), resident < 60},
    };
}
