#include "Bench.h"
#include "PacedBootLoader.h"
#include "Pty.h"

#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <thread>

namespace {

constexpr int kBoards = 3;
constexpr int kFileBytes = 100 * 1000;
constexpr int kRunTimeoutMs = 120000;

double ChildrenCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

// velmora-flash on three boot loaders at once, each reading at exactly the line rate.
QList<Figure> FlashFigures() {
    QTemporaryDir dir;
    QFile program(dir.filePath(QStringLiteral("bench.hex")));
    program.open(QIODevice::WriteOnly);
    const qint64 size = program.write(IntelHexFile(kFileBytes));
    program.close();

    std::array<Pty, kBoards> ptys;
    std::array<std::unique_ptr<PacedBootLoader>, kBoards> boards;
    std::array<std::thread, kBoards> threads;
    QStringList arguments{QStringLiteral("--no-verify"), program.fileName()};
    for (int index = 0; index < kBoards; ++index) {
        boards[index] = std::make_unique<PacedBootLoader>(ptys[index].MasterFd());
        boards[index]->Expected = (size + 999) / 1000 * 1000;
        boards[index]->AwaitReset = true;
        threads[index] = std::thread(&PacedBootLoader::Run, boards[index].get());
        arguments << ptys[index].SlavePath();
    }
    const double cpuBefore = ChildrenCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    QProcess flash;
    flash.setStandardOutputFile(QProcess::nullDevice());
    flash.start(QStringLiteral(VELMORA_FLASH_PATH), arguments);
    const bool finished = flash.waitForFinished(kRunTimeoutMs) && flash.exitCode() == 0;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpuShare = (ChildrenCpuSeconds() - cpuBefore) / seconds;
    for (int index = 0; index < kBoards; ++index) {
        if (!boards[index]->Done) {
            ptys[index].CloseMaster();  // lets the board's thread run out
        }
        threads[index].join();
    }

    double worstUse = 1;
    double longestGapMs = 0;
    double soonestResetS = 1e9;
    double soonestAfterReadS = 1e9;
    for (const auto& board : boards) {
        worstUse = std::min(worstUse, board->Done ? board->LineUse() : 0);
        longestGapMs = std::max(longestGapMs, board->LongestGapMs);
        soonestResetS = std::min(soonestResetS, board->ResetAfterLineS);
        soonestAfterReadS = std::min(soonestAfterReadS, board->ResetAfterReadS);
    }
    return {
        {QStringLiteral("flasher line use, worst of 3 boards at once (100 KB each)"),
         QStringLiteral("%1").arg(worstUse, 0, 'f', 3), QStringLiteral(">= 0.99"),
         finished && worstUse >= 0.99},
        {QStringLiteral("flasher longest gap in any board's stream"),
         QStringLiteral("%1 ms").arg(longestGapMs, 0, 'f', 1), QStringLiteral("<= 50 ms"),
         finished && longestGapMs <= 50},
        {QStringLiteral("flasher final reset after the last byte could have reached the board, soonest of 3"),
         QStringLiteral("%1 s (%2 s after the reader took it)")
             .arg(soonestResetS, 0, 'f', 3)
             .arg(soonestAfterReadS, 0, 'f', 3),
         QStringLiteral(">= 8 s"), finished && soonestResetS >= 8},
        {QStringLiteral("flasher CPU for 3 boards over the run (%1 s)").arg(seconds, 0, 'f', 1),
         QStringLiteral("%1 % of a core").arg(100 * cpuShare, 0, 'f', 2), QStringLiteral("<= 3 %"),
         finished && cpuShare <= 0.03},
    };
}
