#pragma once

#include "flash/BoardFlash.h"
#include "flash/FlashOptions.h"
#include "flash/FlashOutput.h"

#include <QList>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <memory>

// One run of the flasher: a thread, a port and an engine per board, all at once; their reports go to the
// output on this (the main) thread.
class FlashRun : public QObject {
    Q_OBJECT
public:
    // Every board gets the same program bytes.
    FlashRun(const FlashOptions& options, const QByteArray& program, FlashOutput& output);
    ~FlashRun() override;

    void Start();
    void Interrupt();  // every board still running is aborted and reset
    // A board's result for each port given, in the order given.
    QList<BoardResult> Results() const { return results_; }

  signals:
    void Finished(int exitStatus);

private:
    void OnReport(const BoardReport& report);

    FlashOutput& output_;
    QList<QThread*> threads_;
    QList<BoardFlash*> boards_;
    QList<BoardResult> results_;
    int running_ = 0;
    bool interrupted_ = false;
    QTimer refresh_;
};
