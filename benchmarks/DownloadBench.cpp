#include "Bench.h"
#include "FakePrompts.h"
#include "PacedBootLoader.h"
#include "Pty.h"
#include "app/GuiMain.h"
#include "link/QtSerialPort.h"

#include <QComboBox>
#include <QTemporaryDir>

#include <chrono>
#include <thread>

namespace {

constexpr int kFileBytes = 100 * 1000;

}  // namespace

QList<Figure> DownloadFigures() {
    Pty pty;
    qputenv("VELMORA_COM1", pty.SlavePath().toLocal8Bit());
    QTemporaryDir dir;
    QFile program(dir.filePath(QStringLiteral("bench.hex")));
    program.open(QIODevice::WriteOnly);
    const qint64 size = program.write(IntelHexFile(kFileBytes));
    program.close();

    QtSerialPort port;
    FakePrompts prompts;
    GuiMain window(port, prompts);
    window.Form_Load();
    window.CommPortSelect->setCurrentIndex(1);
    PacedBootLoader board(pty.MasterFd());
    board.Expected = (size + 999) / 1000 * 1000;
    std::thread boardThread(&PacedBootLoader::Run, &board);
    prompts.FileAnswers.push_back(program.fileName());
    window.DownloadButton_Click();
    const bool finished = WaitFor([&] { return board.Done.load(); }, 120000);
    if (!finished) {
        pty.CloseMaster();  // lets the board thread run out
    }
    boardThread.join();
    window.DownloadButton_Click();  // abort the flashing wait; the figures are in
    qunsetenv("VELMORA_COM1");

    const double lineUse = finished ? board.LineUse() : 0;
    return {
        {QStringLiteral("download line use (100 KB at 57600 8N1)"), QStringLiteral("%1").arg(lineUse, 0, 'f', 3),
         QStringLiteral(">= 0.99"), lineUse >= 0.99},
        {QStringLiteral("download longest gap in the stream"), QStringLiteral("%1 ms").arg(board.LongestGapMs, 0, 'f', 1),
         QStringLiteral("<= 50 ms"), finished && board.LongestGapMs <= 50},
    };
}
