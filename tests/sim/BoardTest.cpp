#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "Board.h"
#include "Options.h"
#include "Script.h"

namespace velmora_sim {
namespace {

constexpr int64_t kAppStartMs = 500;  // default boot delay

// Drives a board on its own clock and returns what it prints.
class BoardRig {
  public:
    explicit BoardRig(BoardOptions options) : board_(std::move(options)) {}

    std::string At(int64_t ms) {
        now_ = ms;
        board_.Advance(ms);
        return board_.TakeOutput();
    }
    std::string Send(std::string_view bytes) {
        board_.Receive(bytes, now_);
        return At(now_);
    }
    int64_t Now() const { return now_; }
    Board& Get() { return board_; }

  private:
    Board board_;
    int64_t now_ = 0;
};

// A quiet network unless the test scripts one, so every answer is known.
BoardOptions Quiet(AppKind app, const std::string& script = "") {
    BoardOptions options;
    options.app = app;
    std::istringstream in(script);
    std::vector<ScriptError> errors;
    options.script = ParseScript(in, errors);
    EXPECT_TRUE(errors.empty());
    return options;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(Board, PowersUpThroughBootLoaderIntoTheChosenApplication) {
    BoardRig lineCard(Quiet(AppKind::kLineCard));
    EXPECT_EQ(lineCard.At(0), "Boot Loader Initialized\r\n");
    EXPECT_EQ(lineCard.At(kAppStartMs - 1), "");
    EXPECT_EQ(lineCard.At(kAppStartMs), "Line Card Application Initialized\r\n");

    BoardRig cpe(Quiet(AppKind::kCpe));
    EXPECT_EQ(cpe.At(0), "Boot Loader Initialized\r\n");
    EXPECT_EQ(cpe.At(kAppStartMs), "CPE Application Initialized\r\n");

    BoardRig bootOnly(Quiet(AppKind::kBootLoaderOnly));
    EXPECT_EQ(bootOnly.At(0), "Boot Loader Initialized\r\n");
    EXPECT_EQ(bootOnly.At(60'000), "");
    EXPECT_EQ(bootOnly.Get().GetPhase(), Phase::kBootLoader);
}

TEST(Board, LineCardAnswersEachCommandInItsFormat) {
    BoardRig rig(Quiet(AppKind::kLineCard));
    rig.At(0);
    rig.At(kAppStartMs);

    EXPECT_TRUE(rig.Send("cpu\r\n").starts_with("Maximum CPU% = "));
    const std::string help = rig.Send("help\r\n");
    EXPECT_NE(help.find("  cpe_reset #       reset CPE # (0-3)\r\n"), std::string::npos);
    EXPECT_EQ(help.find("Stops Application"), std::string::npos);
    EXPECT_EQ(
        rig.Send("versions\r\n"),
        "    Version:  Boot Loader 1.03\r\n    Version:  Line Card App 4.12\r\n    Version:  FPGA 2.07\r\n");
    EXPECT_EQ(rig.Send("op_status\r\n"), "op_status: 00000000\r\n");
    EXPECT_EQ(rig.Send("line_state\r\n"), "hook_state: 0101010101010101\r\nring_state: 0000000000000000\r\n");
    EXPECT_EQ(rig.Send("rdm ff28 4\r\n"), "FF28: 00 00 00 00\r\n");
    EXPECT_EQ(rig.Send("rdm ff12 8\r\n"), "FF12: 2D 00 00 00 00 00 00 00\r\n");
    EXPECT_EQ(rig.Send("ree 0\r\nree 4\r\nree 5\r\n"), "0000: 1A\r\n0004: 05\r\n0005: 00\r\n");
    EXPECT_EQ(rig.Send("temperature\r\n"), "temperature: 001F\r\n");
    EXPECT_TRUE(rig.Send("battery\r\n").starts_with("battery: 4"));
    EXPECT_EQ(rig.Send("debug 80\r\n"), "debug level 80\r\n");
    EXPECT_TRUE(rig.At(rig.Now() + 1000).starts_with("dbg: "));  // chatter at the verbose level
    EXPECT_EQ(rig.Send("bogus 1\r\n"), "Unknown command: bogus 1\r\n");
    EXPECT_EQ(rig.Send("ree 100\r\n"), "Bad argument for ree\r\n");
}

TEST(Board, EepromWritesAreSilentAndReadBack) {
    BoardRig rig(Quiet(AppKind::kLineCard));
    rig.At(0);
    rig.At(kAppStartMs);

    EXPECT_EQ(rig.Send("wee 0 FF\r\nwee 4 b5\r\nwee 5 2\r\n"), "");
    EXPECT_EQ(rig.Send("ree 0\r\nree 4\r\nree 5\r\n"), "0000: FF\r\n0004: B5\r\n0005: 02\r\n");
    EXPECT_EQ(rig.Send("wee 0 100\r\n"), "Bad argument for wee\r\n");
}

TEST(Board, EepromFileKeepsWritesAcrossRuns) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "velmora-sim-test-eeprom.bin";
    std::filesystem::remove(file);
    BoardOptions options = Quiet(AppKind::kCpe);
    options.eepromFile = file.string();
    {
        BoardRig first(options);
        first.At(0);
        first.At(kAppStartMs);
        EXPECT_EQ(first.Send("ree 4\r\nwee 0 7\r\n"), "0004: 01\r\n");
    }
    BoardRig second(options);
    second.At(0);
    second.At(kAppStartMs);
    EXPECT_EQ(second.Send("ree 0\r\n"), "0000: 07\r\n");
    std::filesystem::remove(file);
}

TEST(Board, LineCardEventsAndStatusRepliesAgree) {
    BoardRig rig(Quiet(AppKind::kLineCard,
                       "# ms action\n"
                       "100 ranging 2\n"
                       "200 locked 2\n"
                       "300 hook 2 1 off\n"
                       "400 ring 0 0 on\n"
                       "500 sfd 1 3\n"
                       "600 rssi 2 120\n"
                       "700 temp -10\n"
                       "800 say plain text\n"));
    rig.At(0);
    rig.At(kAppStartMs);

    EXPECT_EQ(rig.At(kAppStartMs + 800),
              "Subscriber 02 Starting Ranging\r\n"
              "Subscriber 02 Ranging Completed Successfully\r\n"
              "Subscriber 02 Channel 01 OFF HOOK\r\n"
              "Subscriber 00 Channel 00 RING ON\r\n"
              "Subscriber 01 SFD Loss Count: 0003\r\n"
              "plain text\r\n");
    EXPECT_EQ(rig.Send("op_status\r\nline_state\r\nrdm ff28 4\r\ntemperature\r\n"),
              "op_status: 00000200\r\n"
              "hook_state: 0101010101000101\r\n"
              "ring_state: 0100000000000000\r\n"
              "FF28: 00 00 78 00\r\n"
              "temperature: FFF6\r\n");

    EXPECT_EQ(rig.Send("cpe_reset 2\r\n"), "Subscriber 02 Commanded Reset\r\n");
    EXPECT_EQ(rig.Send("op_status\r\nline_state\r\n"),
              "op_status: 00000000\r\nhook_state: 0101010101010101\r\nring_state: 0100000000000000\r\n");
}

TEST(Board, CpeReportsItsOwnLinkOnly) {
    BoardRig rig(Quiet(AppKind::kCpe,
                       "100 ranging 0\n200 locked 0\n300 hook 0 1 off\n400 ring 0 0 on\n"
                       "500 sfd 0 10\n600 rssi 0 75\n700 lost 0\n"));
    rig.At(0);
    rig.At(kAppStartMs);

    EXPECT_EQ(rig.At(kAppStartMs + 600),
              "Starting Ranging\r\nRanging Completed Successfully\r\nChannel 01 OFF HOOK\r\n"
              "Channel 00 RING ON\r\nSFD Loss Count: 000A\r\n");
    EXPECT_EQ(rig.Send("op_status\r\nline_state\r\nrdm ff28 4\r\n"),
              "op_status: 02\r\nhook_state: 0100\r\nring_state: 0100\r\nFF28: 4B 00 00 00\r\n");
    EXPECT_EQ(rig.At(kAppStartMs + 700), "Starting Acquisition\r\n");
    EXPECT_EQ(rig.Send("op_status\r\n"), "op_status: 00\r\n");

    const std::string help = rig.Send("help\r\n");
    EXPECT_NE(help.find("Stops Application"), std::string::npos);
    EXPECT_EQ(help.find("cpe_reset #"), std::string::npos);
    EXPECT_EQ(rig.Send("cpe_reset 1\r\n"), "Unknown command: cpe_reset 1\r\n");
}

TEST(Board, BootLoaderKnowsOnlyItsOwnCommands) {
    BoardRig rig(Quiet(AppKind::kBootLoaderOnly));
    rig.At(0);
    rig.At(kAppStartMs);

    const std::string help = rig.Send("help\r\n");
    EXPECT_TRUE(help.starts_with("Boot loader commands:\r\n"));
    EXPECT_EQ(help.find("cpe_reset #"), std::string::npos);
    EXPECT_EQ(help.find("Stops Application"), std::string::npos);
    EXPECT_EQ(rig.Send("cpu\r\n"), "Unknown command: cpu\r\n");
    EXPECT_EQ(rig.Send("versions\r\n"), "    Version:  Boot Loader 1.03\r\n    Version:  FPGA 2.07\r\n");
}

TEST(Board, TakesAnyLineEndAndIgnoresEmptyLines) {
    BoardOptions options = Quiet(AppKind::kLineCard);
    options.echo = true;
    BoardRig rig(options);
    rig.At(0);
    rig.At(kAppStartMs);

    EXPECT_EQ(rig.Send("\r\n\r\nree 5\rree 0\nree 4\r"),
              "ree 5\r\n0005: 00\r\nree 0\r\n0000: 1A\r\nree 4\r\n0004: 05\r\n");
    EXPECT_EQ(rig.Send("\n"), "");  // the LF of the CR LF above, sent late
}

TEST(Board, ResetWithoutStopStartsTheApplicationAfterTheStopWindow) {
    BoardRig rig(Quiet(AppKind::kCpe));
    rig.At(0);
    rig.At(kAppStartMs);

    EXPECT_EQ(rig.Send("\r\n"), "");
    EXPECT_EQ(rig.Send("reset\r\n"), "Boot Loader Initialized\r\nBoot Loader Ready\r\n");
    EXPECT_EQ(rig.At(rig.Now() + 999), "");
    EXPECT_EQ(rig.At(rig.Now() + 1), "CPE Application Initialized\r\n");
}

TEST(Board, ReceivesAProgramFileBetweenStopAndReset) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    BoardOptions options = Quiet(AppKind::kLineCard);
    options.receiveFile = (dir / "velmora-sim-test-rx.bin").string();
    options.reportFile = (dir / "velmora-sim-test-report.txt").string();
    BoardRig rig(options);
    rig.At(0);
    rig.At(kAppStartMs);
    rig.Send("\r\nreset\r\n");
    const std::string file = ":0100000055AA\r\n:00000001FF\r\n" + std::string(974, '\xFF');

    // "stop" and the first bytes of the file in one piece: the LF of "stop" is no file data.
    EXPECT_EQ(rig.Send("stop\r\n" + file.substr(0, 10)), "Boot Loader Stopped\r\n");
    EXPECT_EQ(rig.Send(file.substr(10)), "Programming complete\r\n");
    EXPECT_EQ(rig.Send("cpu\r\n"), "");  // in receive mode commands are file data
    EXPECT_EQ(rig.Send("\r\nreset\r\n"), "Boot Loader Initialized\r\nBoot Loader Ready\r\n");
    EXPECT_EQ(rig.At(rig.Now() + 1000), "Line Card Application Initialized\r\n");

    EXPECT_EQ(ReadFile(options.receiveFile), file + "cpu\r\n");
    EXPECT_EQ(ReadFile(options.reportFile),
              "download bytes=1007 records=2 data-bytes=1 addresses=00000000-00000000 checksum-errors=0 "
              "format-errors=0 eof=yes result=ok\n");
    std::filesystem::remove(options.receiveFile);
    std::filesystem::remove(options.reportFile);
}

TEST(Board, HandshakeFaultsWithholdTheirAnnouncement) {
    BoardOptions noReady = Quiet(AppKind::kLineCard);
    noReady.noResetAnswer = true;
    BoardRig quietReset(noReady);
    quietReset.At(0);
    EXPECT_EQ(quietReset.Send("reset\r\n"), "Boot Loader Initialized\r\n");

    BoardOptions noStopped = Quiet(AppKind::kLineCard);
    noStopped.noStopped = true;
    BoardRig ignoresStop(noStopped);
    ignoresStop.At(0);
    ignoresStop.Send("reset\r\n");
    EXPECT_EQ(ignoresStop.Send("stop\r\n"), "");
    EXPECT_EQ(ignoresStop.At(1000), "Line Card Application Initialized\r\n");
}

TEST(Board, GarbageFaultInterleavesRawBytesWithTheAnswers) {
    BoardOptions options = Quiet(AppKind::kCpe);
    options.garbage = true;
    BoardRig rig(options);
    rig.At(0);
    rig.At(kAppStartMs);
    std::string out;
    for (int64_t ms = kAppStartMs; ms <= 20'000; ms += 100) {
        out += rig.At(ms);
    }

    EXPECT_NE(out.find('\0'), std::string::npos);
    EXPECT_TRUE(
        std::any_of(out.begin(), out.end(), [](char c) { return static_cast<unsigned char>(c) > 127; }));
    EXPECT_TRUE(rig.Send("ree 5\r\n").ends_with("0005: 00\r\n"));  // the board still answers
}

TEST(Board, OverheatClimbsPastBadHoldsAndCoolsBack) {
    BoardOptions options = Quiet(AppKind::kLineCard);
    options.faults.overheat = {{1000, 12000}};
    BoardRig rig(options);
    rig.At(0);
    const std::pair<int64_t, std::string> rows[] = {
        {999, "001F"},   {1000, "001F"},  {3000, "0029"},   // 31 degrees, then 5 more a second
        {7000, "003D"},  {10000, "004C"}, {12000, "004C"},  // past 60 after 6 s, 76 at the peak
        {14000, "0042"}, {21000, "001F"},                   // cooling back at the same rate
    };
    for (const auto& [ms, hex] : rows) {
        rig.At(ms);
        EXPECT_EQ(rig.Send("temperature\r\n"), "temperature: " + hex + "\r\n") << ms;
    }
}

TEST(Board, LinkLossDropsTheLinksThatAreUpAndBringsThemBack) {
    BoardOptions lineCard = Quiet(AppKind::kLineCard, "100 ranging 0\n200 locked 0\n300 ranging 2\n");
    BoardOptions cpe = Quiet(AppKind::kCpe, "100 ranging 0\n200 locked 0\n");
    lineCard.faults.linkLoss = cpe.faults.linkLoss = {{2000, 5000}};
    const struct {
        BoardOptions options;
        std::string lost, ranging, locked, down, up;
    } rows[] = {
        {lineCard, "Subscriber 00 Communications Lost\r\nSubscriber 02 Communications Lost\r\n",
         "Subscriber 00 Starting Ranging\r\nSubscriber 02 Starting Ranging\r\n",
         "Subscriber 00 Ranging Completed Successfully\r\nSubscriber 02 Ranging Completed Successfully\r\n",
         "op_status: 00000000\r\n", "op_status: 02000200\r\n"},
        {cpe, "Starting Acquisition\r\n", "Starting Ranging\r\n", "Ranging Completed Successfully\r\n",
         "op_status: 00\r\n", "op_status: 02\r\n"},
    };
    for (const auto& row : rows) {
        BoardRig rig(row.options);
        rig.At(0);
        rig.At(kAppStartMs);
        rig.At(1999);
        EXPECT_EQ(rig.At(2000), row.lost);
        EXPECT_EQ(rig.Send("op_status\r\n"), row.down);
        EXPECT_EQ(rig.At(4999), "");
        EXPECT_EQ(rig.At(5000), row.ranging);
        EXPECT_EQ(rig.At(5999), "");
        EXPECT_EQ(rig.At(6000), row.locked);
        EXPECT_EQ(rig.Send("op_status\r\n"), row.up);
    }
}

TEST(Board, RebootPrintsThePowerUpBannersAgainAndStartsOver) {
    BoardOptions options = Quiet(AppKind::kLineCard, "100 ranging 1\n");
    options.faults.reboots = {3000};
    BoardRig rig(options);
    rig.At(0);
    rig.At(kAppStartMs);
    rig.At(1000);
    rig.Send("ree 0");  // half a line, lost with the reboot

    EXPECT_EQ(rig.At(2999), "");
    EXPECT_EQ(rig.At(3000), "Boot Loader Initialized\r\n");
    EXPECT_EQ(rig.Send("\r\n"), "");
    EXPECT_EQ(rig.At(3000 + kAppStartMs), "Line Card Application Initialized\r\n");
    EXPECT_EQ(rig.Send("op_status\r\n"), "op_status: 00000000\r\n");
}

TEST(Board, RebootDuringADownloadSavesWhatCameIn) {
    BoardOptions options = Quiet(AppKind::kLineCard);
    options.reportFile = (std::filesystem::temp_directory_path() / "velmora-sim-test-reboot.txt").string();
    options.faults.reboots = {2000};
    BoardRig rig(options);
    rig.At(0);
    rig.Send("reset\r\n");
    rig.Send("stop\r\n:0100000055AA\r\n");

    EXPECT_EQ(rig.At(2000), "Boot Loader Initialized\r\n");
    EXPECT_NE(ReadFile(options.reportFile).find("bytes=15 records=1 data-bytes=1"), std::string::npos);
    std::filesystem::remove(options.reportFile);
}

TEST(Board, SilenceDropsOutputForItsWindowOnly) {
    BoardOptions options = Quiet(AppKind::kLineCard);
    options.faults.silence = {{1000, 3000}};
    BoardRig rig(options);
    rig.At(0);
    rig.At(kAppStartMs);

    rig.At(999);
    EXPECT_EQ(rig.Send("ree 4\r\n"), "0004: 05\r\n");
    rig.At(1000);
    EXPECT_EQ(rig.Send("ree 4\r\n"), "");
    rig.At(2999);
    EXPECT_EQ(rig.Send("ree 4\r\n"), "");
    rig.At(3000);
    EXPECT_EQ(rig.Send("ree 5\r\n"), "0005: 00\r\n");
}

TEST(Options, ScheduledFaultsTakeTheirTimesOrAreRefused) {
    const struct {
        std::vector<const char*> args;
        std::string error;
    } rows[] = {
        {{"--fault", "overheat=1000+5000", "--fault=overheat=9000", "--fault", "link-loss=0+10", "--fault",
          "link-loss=10", "--fault", "reboot=7", "--fault", "silence=5+1", "--fault", "silent-after=3"},
         ""},
        {{"--fault", "overheat=1000+0"},
         "--fault overheat=1000+0: expected AT or AT+FOR in whole ms, FOR above 0"},
        {{"--fault", "overheat=-5"}, "--fault overheat=-5: expected AT or AT+FOR in whole ms, FOR above 0"},
        {{"--fault", "silence=1000"}, "--fault silence=1000: expected AT+FOR in whole ms, FOR above 0"},
        {{"--fault", "reboot=10+5"}, "--fault reboot=10+5: expected AT in whole ms"},
        {{"--fault", "link-loss=1000", "--fault", "link-loss=0+1001"},
         "--fault link-loss=0+1001: overlaps another link-loss"},
        {{"--fault", "overheat"}, "unknown fault 'overheat'"},
    };
    for (const auto& row : rows) {
        std::vector<const char*> argv = {"velmora-sim"};
        argv.insert(argv.end(), row.args.begin(), row.args.end());
        SimOptions options;
        EXPECT_EQ(ParseOptions(int(argv.size()), argv.data(), options), row.error) << row.args.back();
    }
    SimOptions options;
    const char* argv[] = {"velmora-sim", "--fault", "link-loss=9000", "--fault", "link-loss=0+9000"};
    ASSERT_EQ(ParseOptions(5, argv, options), "");
    const std::vector<FaultWindow>& linkLoss = options.board.faults.linkLoss;
    ASSERT_EQ(linkLoss.size(), 2u);
    EXPECT_EQ(linkLoss[0].endMs, 9000);  // sorted, so played in order
    EXPECT_EQ(linkLoss[1].endMs, kForever);
}

TEST(Script, ReportsEachBadLineWithItsNumber) {
    std::istringstream in(
        "100 locked 1\nxyz locked 1\n200 locked 4\n300 hook 1 0 maybe\n400 fly 1\n50 temp -5\n");
    std::vector<ScriptError> errors;
    const std::vector<ScriptAction> actions = ParseScript(in, errors);

    ASSERT_EQ(actions.size(), 2u);
    EXPECT_EQ(actions[0].kind, ActionKind::kTemp);  // sorted by time
    EXPECT_EQ(actions[0].value, -5);
    ASSERT_EQ(errors.size(), 4u);
    EXPECT_EQ(errors[0].lineNumber, 2);
    EXPECT_EQ(errors[3].message, "unknown action 'fly'");
}

}  // namespace
}  // namespace velmora_sim
