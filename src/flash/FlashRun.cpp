#include "flash/FlashRun.h"

#include <QFileInfo>

namespace {

constexpr int kRefreshMs = 100;

}  // namespace

FlashRun::FlashRun(const FlashOptions& options, const QByteArray& program, FlashOutput& output)
    : output_(output) {
    refresh_.setInterval(kRefreshMs);
    connect(&refresh_, &QTimer::timeout, this, [this] { output_.Refresh(); });
    for (int index = 0; index < options.Ports.size(); ++index) {
        auto* thread = new QThread(this);
        auto* board =
            new BoardFlash({.Board = index,
                            .Port = options.Ports.at(index),
                            .ProgramName = QFileInfo(options.ProgramPath).fileName(),
                            .Program = program,
                            .VerifyTimeoutMs = options.VerifyTimeoutMs,
                            .Retries = options.Retries},
                           [this](const BoardReport& report) {
                               QMetaObject::invokeMethod(
                                   this, [this, report] { OnReport(report); }, Qt::QueuedConnection);
                           });
        board->moveToThread(thread);
        connect(thread, &QThread::started, board, &BoardFlash::Start);
        connect(thread, &QThread::finished, board, &QObject::deleteLater);
        threads_ << thread;
        boards_ << board;
        results_ << BoardResult::Interrupted;
    }
}

FlashRun::~FlashRun() {
    for (QThread* thread : std::as_const(threads_)) {
        thread->quit();
        thread->wait();
    }
}

void FlashRun::Start() {
    running_ = static_cast<int>(threads_.size());
    refresh_.start();
    output_.Refresh();
    for (QThread* thread : std::as_const(threads_)) {
        thread->start();
    }
}

void FlashRun::Interrupt() {
    interrupted_ = true;
    for (BoardFlash* board : std::as_const(boards_)) {
        if (board != nullptr) {
            QMetaObject::invokeMethod(board, &BoardFlash::Interrupt, Qt::QueuedConnection);
        }
    }
}

void FlashRun::OnReport(const BoardReport& report) {
    output_.Update(report);
    if (!report.Done) {
        return;
    }
    results_[report.Board] = report.Result;
    boards_[report.Board] = nullptr;  // deleted on its thread once that ends
    threads_.at(report.Board)->quit();
    if (--running_ > 0) {
        return;
    }
    refresh_.stop();
    for (QThread* thread : std::as_const(threads_)) {
        thread->wait();
    }
    const int status = ExitStatus(results_, interrupted_);
    output_.Finish(status);
    emit Finished(status);
}
