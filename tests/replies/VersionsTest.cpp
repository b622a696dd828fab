#include "InterpreterTestSupport.h"

namespace {

class VersionReply : public RunningBoard {};

TEST_F(VersionReply, RoutesTheVersionTextByItsWordsAndKeepsItUnchanged) {
    Start(kCpeApp);
    Line(QStringLiteral("    Version:  Boot 1.02 "));
    EXPECT_EQ(Window().BootLoaderText->text(), QStringLiteral("Boot 1.02 "));
    Line(QStringLiteral("    Version:  CPE Boot 3"));  // "Boot" is tested before "CPE"
    EXPECT_EQ(Window().BootLoaderText->text(), QStringLiteral("CPE Boot 3"));
    Line(QStringLiteral("    Version:  CPE App 2.7"));
    EXPECT_EQ(Window().ApplicationText->text(), QStringLiteral("CPE App 2.7"));
    Line(QStringLiteral("    Version:  Line Card 4.1"));
    EXPECT_EQ(Window().ApplicationText->text(), QStringLiteral("Line Card 4.1"));
    Line(QStringLiteral("    Version:  boot fpga 9"));  // words are case-sensitive
    EXPECT_EQ(Window().FirmwareText->text(), QStringLiteral("boot fpga 9"));
    EXPECT_EQ(Window().BootLoaderText->text(), QStringLiteral("CPE Boot 3"));
    EXPECT_EQ(Window().ApplicationText->text(), QStringLiteral("Line Card 4.1"));
}

TEST_F(VersionReply, TakesTheTextFromPosition15WhereverTheMarkerStands) {
    Start(kLineCardApp);
    Line(QStringLiteral(">>    Version:  FW 5"));
    EXPECT_EQ(Window().FirmwareText->text(), QStringLiteral("  FW 5"));
}

TEST_F(VersionReply, IgnoresLinesWithoutTheExactMarkerOrWithoutText) {
    Start(kCpeApp);
    Line(QStringLiteral("    Version:  FW 1"));
    for (const char* line : {"Version:  FW 2", "    Version: FW 3", "   Version:  FW 4", "    Version:  "}) {
        Line(QString::fromLatin1(line));
        EXPECT_EQ(Window().FirmwareText->text(), QStringLiteral("FW 1")) << line;
    }
}

TEST_F(VersionReply, IsReadWhileTheBootLoaderRuns) {
    Start(kBootLoader);
    Line(QStringLiteral("    Version:  Boot Loader 1.1"));
    EXPECT_EQ(Window().BootLoaderText->text(), QStringLiteral("Boot Loader 1.1"));
}

}  // namespace
