#include "Pty.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace velmora_sim {

Pty::Pty() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0) {
        Fail("posix_openpt");
    }
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
        Fail("grantpt/unlockpt");
    }
    char path[128];
    if (ptsname_r(master_, path, sizeof path) != 0) {
        Fail("ptsname_r");
    }
    slavePath_ = path;
    slave_ = open(path, O_RDWR | O_NOCTTY);
    termios settings{};
    if (slave_ < 0 || tcgetattr(slave_, &settings) != 0) {
        Fail(path);
    }
    cfmakeraw(&settings);
    cfsetispeed(&settings, B57600);
    cfsetospeed(&settings, B57600);
    if (tcsetattr(slave_, TCSANOW, &settings) != 0) {
        Fail("tcsetattr");
    }
}

Pty::~Pty() {
    Close();
}

void Pty::Fail(const char* what) {
    const int error = errno;
    Close();
    throw std::system_error(error, std::generic_category(), what);
}

void Pty::Close() {
    if (master_ >= 0) {
        close(master_);
        master_ = -1;
    }
    if (slave_ >= 0) {
        close(slave_);
        slave_ = -1;
    }
}

}  // namespace velmora_sim
