#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Board.h"
#include "Pty.h"
#include "SimLoop.h"

namespace velmora_sim {
namespace {

using Clock = std::chrono::steady_clock;

// The simulator's loop on a thread, as the tool would find it on the other end of the pty.
class RunningSim {
  public:
    explicit RunningSim(LinkOptions link, FaultSchedule faults = {})
        : link_(link), board_(QuietLineCard(std::move(faults))) {
        thread_ =
            std::thread([this] { end_ = RunSimLoop(pty_, board_, link_, [this] { return stop_.load(); }); });
    }
    ~RunningSim() { Stop(); }

    LoopEnd Stop() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        return end_;
    }
    const std::string& SlavePath() const { return pty_.SlavePath(); }

  private:
    static BoardOptions QuietLineCard(FaultSchedule faults) {
        BoardOptions options;
        options.faults = std::move(faults);
        options.bootDelayMs = 0;
        options.script.emplace();
        return options;
    }

    LinkOptions link_;
    Pty pty_;
    Board board_;
    std::atomic<bool> stop_ = false;
    LoopEnd end_ = LoopEnd::kStopRequested;
    std::thread thread_;
};

// The tool's end: the slave opened raw.
class Client {
  public:
    explicit Client(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY)) {
        termios settings{};
        tcgetattr(fd_, &settings);
        cfmakeraw(&settings);
        tcsetattr(fd_, TCSANOW, &settings);
    }
    ~Client() { close(fd_); }

    bool IsOpen() const { return fd_ >= 0; }
    void Send(const std::string& text) {
        ASSERT_EQ(write(fd_, text.data(), text.size()), ssize_t(text.size()));
    }

    // Everything received until `marker` has arrived; stops early at the deadline or a hang-up.
    std::string ReadUntil(const std::string& marker,
                          std::chrono::milliseconds limit = std::chrono::seconds(3)) {
        const Clock::time_point deadline = Clock::now() + limit;
        while (received_.find(marker) == std::string::npos && Clock::now() < deadline) {
            pollfd fd{fd_, POLLIN, 0};
            char buffer[4096];
            if (poll(&fd, 1, 20) <= 0 || !(fd.revents & POLLIN)) {
                continue;
            }
            const ssize_t got = read(fd_, buffer, sizeof buffer);
            if (got <= 0) {
                break;
            }
            received_.append(buffer, size_t(got));
            pieces_.emplace_back(buffer, size_t(got));
        }
        return received_;
    }
    // Each read so far, as the tool's serial port would get them.
    const std::vector<std::string>& Pieces() const { return pieces_; }

  private:
    int fd_;
    std::string received_;
    std::vector<std::string> pieces_;
};

TEST(SimLoop, ServesAClientOnTheSlaveSide) {
    RunningSim sim(LinkOptions{.bytesPerSecond = 0});
    Client client(sim.SlavePath());
    ASSERT_TRUE(client.IsOpen());

    // The power-up banners were written before the client opened the port; they wait in the pty.
    EXPECT_NE(client.ReadUntil("Application Initialized\r\n").find("Line Card Application Initialized\r\n"),
              std::string::npos);
    client.Send("ree 4\r\n");
    EXPECT_NE(client.ReadUntil("0004: 05\r\n").find("0004: 05\r\n"), std::string::npos);
    EXPECT_EQ(sim.Stop(), LoopEnd::kStopRequested);
}

TEST(SimLoop, PacesBothDirectionsAtLineRate) {
    RunningSim sim(LinkOptions{.bytesPerSecond = 5760});
    Client client(sim.SlavePath());
    client.ReadUntil("Application Initialized\r\n");

    // 1152 bytes of empty lines must be read at line rate before the command behind them.
    const Clock::time_point start = Clock::now();
    client.Send(std::string(576, '\r') + std::string(576, '\n') + "ree 5\r\n");
    client.ReadUntil("0005: 00\r\n");
    const auto inbound = Clock::now() - start;
    EXPECT_GE(inbound, std::chrono::milliseconds(170));  // (1159 - 64 burst) / 5760 s
    EXPECT_LT(inbound, std::chrono::milliseconds(1000));

    // 16 dump lines of 55 bytes each: 880 bytes.
    const Clock::time_point dumpStart = Clock::now();
    client.Send("rdm 0 100\r\n");
    client.ReadUntil("00F0: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\r\n");
    const auto outbound = Clock::now() - dumpStart;
    EXPECT_GE(outbound, std::chrono::milliseconds(130));  // (880 - 64 burst) / 5760 s
    EXPECT_LT(outbound, std::chrono::milliseconds(1000));
}

// As through a USB serial adapter: a reply of several lines comes in one piece, and a long one at the line
// rate in pieces that each hold what the line carried during one tick of the adapter.
TEST(SimLoop, AdapterDeliveryHandsOverOnePiecePerTick) {
    RunningSim unpaced(LinkOptions{.bytesPerSecond = 0, .adapterLatencyMs = 16});
    Client reader(unpaced.SlavePath());
    reader.ReadUntil("Application Initialized\r\n");
    reader.Send("versions\r\n");
    reader.ReadUntil("FPGA 2.07\r\n");
    EXPECT_EQ(
        reader.Pieces().back(),
        "    Version:  Boot Loader 1.03\r\n    Version:  Line Card App 4.12\r\n    Version:  FPGA 2.07\r\n");

    RunningSim paced(LinkOptions{.bytesPerSecond = 5760, .adapterLatencyMs = 16});
    Client client(paced.SlavePath());
    client.ReadUntil("Application Initialized\r\n");
    const size_t before = client.Pieces().size();
    client.Send("rdm 0 100\r\n");
    client.ReadUntil("00F0: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\r\n");
    // 16 lines, 880 bytes at 5760 bytes/s: about ten ticks, never a piece per line.
    const size_t pieces = client.Pieces().size() - before;
    EXPECT_GE(pieces, 2U);
    EXPECT_LE(pieces, 14U);
}

TEST(SimLoop, SilenceLosesTheOutputOfItsWindowAndThenLetsItThrough) {
    FaultSchedule faults;
    faults.silence = {{0, 1000}};
    const Clock::time_point start = Clock::now();
    RunningSim sim(LinkOptions{.bytesPerSecond = 5760}, faults);
    Client client(sim.SlavePath());
    client.Send("ree 4\r\n");
    EXPECT_EQ(client.ReadUntil("0004: 05\r\n", std::chrono::milliseconds(600)), "");  // banners and answer

    // Well after the window: the simulator's clock starts a little after ours, later still on a busy machine.
    std::this_thread::sleep_until(start + std::chrono::milliseconds(2500));
    client.Send("ree 5\r\n");
    EXPECT_EQ(client.ReadUntil("0005: 00\r\n"), "0005: 00\r\n");
}

TEST(SimLoop, CloseAfterFaultHangsUpTheLine) {
    RunningSim sim(LinkOptions{.bytesPerSecond = 0, .closeAfterMs = 100});
    Client client(sim.SlavePath());
    client.ReadUntil("never printed", std::chrono::milliseconds(1500));

    EXPECT_EQ(sim.Stop(), LoopEnd::kClosedByFault);
}

}  // namespace
}  // namespace velmora_sim
