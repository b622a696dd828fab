#include <gtest/gtest.h>

#include <string>

#include "DownloadReceiver.h"
#include "IntelHex.h"

namespace velmora_sim {
namespace {

// An extended linear address (0x0001xxxx), two data records, a start address and EOF.
const std::string kProgram =
    ":020000040001F9\r\n"
    ":10010000214601360121470136007EFE09D2190140\r\n"
    ":100110002146017E17C20001FF5F16002148011928\r\n"
    ":04000005000000CD2A\r\n"
    ":00000001FF\r\n";

HexReport Check(const std::string& bytes) {
    IntelHexChecker checker;
    checker.Feed(bytes);
    checker.Finish();
    return checker.Report();
}

TEST(IntelHexChecker, AcceptsGoodFileAndIgnoresFillerAfterEof) {
    // Filler of every kind the sender may pad with, and even stale records, after EOF.
    const std::string filler = std::string("\0\xFF  \r\n", 6) + ":10000000FFFFFFFF00000000000000000000000000";
    const HexReport report = Check(kProgram + filler);

    EXPECT_TRUE(report.Ok());
    EXPECT_EQ(report.records, 5);
    EXPECT_EQ(report.dataBytes, 32);
    EXPECT_EQ(report.lowAddress, 0x00010100u);
    EXPECT_EQ(report.highAddress, 0x0001011Fu);
    EXPECT_EQ(report.checksumErrors + report.formatErrors, 0);
    EXPECT_EQ(FormatReport(report, 1000),
              "download bytes=1000 records=5 data-bytes=32 addresses=00010100-0001011F checksum-errors=0 "
              "format-errors=0 eof=yes result=ok");
}

TEST(IntelHexChecker, CountsBadChecksumAndKeepsChecking) {
    std::string program = kProgram;
    program.replace(program.find("D2190140"), 8, "D2190141");
    const HexReport report = Check(program);

    EXPECT_FALSE(report.Ok());
    EXPECT_EQ(report.checksumErrors, 1);
    EXPECT_EQ(report.records, 4);
    EXPECT_EQ(report.dataBytes, 16);
    EXPECT_TRUE(report.eofSeen);
}

TEST(IntelHexChecker, ReportsMissingEof) {
    const HexReport report =
        Check(kProgram.substr(0, kProgram.find(":00000001FF")) + std::string(200, '\xFF'));

    EXPECT_FALSE(report.eofSeen);
    EXPECT_FALSE(report.Ok());
    EXPECT_EQ(report.records, 4);
    EXPECT_TRUE(FormatReport(report, 300).ends_with(" eof=no result=failed"));
}

TEST(IntelHexChecker, TakesLfLineEndsAndFlagsMalformedRecords) {
    const HexReport report = Check(
        ":0200000212FFEB\n"  // extended segment address 0x12FF0
        ":0100000055AA\n"    // one data byte
        ":010000055AA\n"     // odd digit count
        ":0300000055AA\n"    // length says 3, carries 1
        ":0100000755A3\n"    // unknown type 07
        ":00000001FF");      // EOF cut short by the end of the data

    EXPECT_EQ(report.formatErrors, 3);
    EXPECT_EQ(report.records, 3);
    EXPECT_EQ(report.lowAddress, 0x12FF0u);
    EXPECT_TRUE(report.eofSeen);
    EXPECT_FALSE(report.Ok());
}

TEST(DownloadReceiver, EndsAtResetRequestAndKeepsEverythingBeforeIt) {
    DownloadReceiver receiver;
    const std::string sent = kProgram + std::string(3, '\n') + std::string(2, '\0');
    for (char c : sent + "\r\n") {
        ASSERT_FALSE(receiver.Feed(c));
    }
    bool ended = false;
    for (char c : std::string("reset\r\n")) {
        ended = receiver.Feed(c);
    }

    EXPECT_TRUE(ended);
    EXPECT_EQ(receiver.Received(), sent);
    EXPECT_TRUE(receiver.Report().Ok());
}

}  // namespace
}  // namespace velmora_sim
