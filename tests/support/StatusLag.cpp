#include "StatusLag.h"

#include "AdapterBoard.h"

#include "FakePrompts.h"
#include "Pty.h"
#include "app/GuiMain.h"
#include "link/QtSerialPort.h"

#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>
#include <vector>

namespace {

using Clock = AdapterBoard::Clock;

}  // namespace

StatusLagResult MeasureStatusLag(const StatusLagRun& run) {
    Pty pty;
    QtSerialPort port;
    FakePrompts prompts;
    GuiMain window{port, prompts};
    StatusLagResult result;
    qputenv("VELMORA_COM1", pty.SlavePath().toLocal8Bit());
    window.Form_Load();
    window.CommPortSelect->setCurrentIndex(window.CommPortSelect->findText(QStringLiteral("COM1")));
    qunsetenv("VELMORA_COM1");
    pty.Write("CPE Application Initialized\r\n");
    result.Started = WaitFor([&] { return window.Session.State.ActiveProgram == kCpeApp; }, 5000);
    if (!result.Started) {
        return result;
    }
    std::vector<std::pair<Clock::time_point, QString>> changes;
    QObject::connect(window.Line1Hook, &QLineEdit::textChanged,
                     [&changes](const QString& text) { changes.emplace_back(Clock::now(), text); });
    const auto handler = port.OnComm;
    port.OnComm = [&](CommEvent event) {
        handler(event);
        if (event == CommEvent::Receive) {
            ++result.Pieces;
            result.MostBuffered = std::max(result.MostBuffered, window.Session.State.ReceiveBuffer.size());
            result.PiecesLeavingALine +=
                window.Session.State.ReceiveBuffer.contains(QStringLiteral("\r\n")) ? 1 : 0;
        }
    };
    AdapterBoard board(pty.MasterFd(), run);
    board.Start();
    RunEventLoop(run.Seconds * 1000);
    board.Stop();
    RunEventLoop(200);  // the last pieces
    port.OnComm = handler;
    result.LagsMs = EventLags(board.EventTimes(), changes);
    return result;
}

double Quantile(QList<double> samples, double share) {
    if (samples.isEmpty()) {
        return 0;
    }
    std::sort(samples.begin(), samples.end());
    const auto index = static_cast<qsizetype>(std::ceil(share * static_cast<double>(samples.size()))) - 1;
    return samples.at(std::clamp<qsizetype>(index, 0, samples.size() - 1));
}
