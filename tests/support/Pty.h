#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// A pseudo-terminal pair for tests over the real serial adapter: the tool opens SlavePath(), the test plays
// the board on the master side. The slave is raw, so CR and LF pass unchanged.
class Pty {
  public:
    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    QString SlavePath() const { return slavePath_; }
    int MasterFd() const { return master_; }
    void Write(const QByteArray& bytes) const;
    // Whatever the tool has written so far, waiting up to timeoutMs for at least `atLeast` bytes.
    QByteArray Read(int atLeast, int timeoutMs) const;
    void CloseMaster();

  private:
    int master_ = -1;
    int slaveKeeper_ = -1;  // keeps the slave side alive until the tool opens it
    QString slavePath_;
};

// Runs the event loop until the condition holds or the time is up; true when it holds.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs);
// Runs the event loop for the time given.
void RunEventLoop(int ms);

// The process's CPU time so far, user and system, in seconds.
double CpuSeconds();
// Runs the event loop for the time given and returns the share of one core the process used meanwhile.
double CpuShareWhileEventLoopRuns(int ms);
