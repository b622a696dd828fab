// A pseudo-terminal whose slave side the tool opens as its serial port.
#pragma once

#include <string>

namespace velmora_sim {

class Pty {
  public:
    // Opens the master non-blocking and sets the slave raw, so CR and LF pass unchanged and
    // nothing is echoed. The slave stays open here as well: without it the master reads EIO
    // until the tool has opened the port, and again whenever the tool closes it.
    // Throws std::system_error.
    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    int Master() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }

    // Hangs the line up for the tool (the close-after fault).
    void Close();

  private:
    [[noreturn]] void Fail(const char* what);

    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

}  // namespace velmora_sim
