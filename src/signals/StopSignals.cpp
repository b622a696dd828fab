#include "signals/StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <set>
#include <system_error>
#include <utility>

namespace {

// The handler's end of the pipe: set before the handlers are installed, cleared after they are removed.
volatile std::sig_atomic_t writeFd = -1;

void OnStopSignal(int signal) {
    const int savedErrno = errno;
    const auto byte = static_cast<char>(signal);
    // A full pipe already holds a pending stop, so a failed write loses nothing.
    [[maybe_unused]] const ssize_t written = write(writeFd, &byte, 1);
    errno = savedErrno;
}

std::array<int, 2> MakePipe() {
    std::array<int, 2> fds{-1, -1};
    if (pipe(fds.data()) != 0) {
        throw std::system_error(errno, std::generic_category(), "stop signal pipe");
    }
    for (const int fd : fds) {
        fcntl(fd, F_SETFD, FD_CLOEXEC);
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    return fds;
}

}  // namespace

StopSignals::StopSignals(std::function<void()> onStop, std::initializer_list<int> stopSignals)
    : StopSignals([stop = std::move(onStop)](int /*signal*/) { stop(); }, stopSignals) {
    oneStopPerBatch_ = true;
}

StopSignals::StopSignals(std::function<void(int signal)> onSignal, std::initializer_list<int> handled)
    : onSignal_(std::move(onSignal)),
      pipe_(MakePipe()),
      notifier_(pipe_[0], QSocketNotifier::Read),
      signals_(handled),
      found_(handled.size()) {
    writeFd = pipe_[1];
    QObject::connect(&notifier_, &QSocketNotifier::activated, &notifier_, [this] { OnSignalled(); });
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < signals_.size(); ++i) {
        sigaction(signals_[i], nullptr, &found_[i]);
        // Ignored by the parent (SIGINT for a program a script starts in the background, SIGHUP under nohup):
        // stays ignored.
        if (found_[i].sa_handler != SIG_IGN) {
            sigaction(signals_[i], &action, nullptr);
        }
    }
}

StopSignals::~StopSignals() {
    for (std::size_t i = 0; i < signals_.size(); ++i) {
        sigaction(signals_[i], &found_[i], nullptr);
    }
    writeFd = -1;
    notifier_.setEnabled(false);
    close(pipe_[0]);
    close(pipe_[1]);
}

void StopSignals::OnSignalled() {
    std::set<int> came;
    char bytes[16];
    for (ssize_t count = 0; (count = read(pipe_[0], bytes, sizeof bytes)) > 0;) {
        came.insert(bytes, bytes + count);
    }
    for (const int signal : came) {
        onSignal_(signal);
        if (oneStopPerBatch_) {
            return;
        }
    }
}
