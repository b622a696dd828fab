#include "InterpreterTestSupport.h"

namespace {

class AbandonedLine : public RunningBoard {};

// The op-status event for CPE 1 is stored before the hook event of the same line names channel 5; the ring
// and temperature interpreters after it must not see the line, and the next line is read as usual.
TEST_F(AbandonedLine, KeepsEarlierWritesAndStopsLaterInterpreters) {
    Start(kLineCardApp);
    Line(QStringLiteral("temperature: 0019"));
    Line(QStringLiteral("Subscriber 01 Starting Ranging Channel 05 ON HOOK RING ON temperature: 0030"));
    EXPECT_EQ(Record(1).OpState, QStringLiteral("Ranging"));
    EXPECT_EQ(Record(1).Lines[0].Ring, QStringLiteral("RING OFF"));
    EXPECT_EQ(Window().TemperatureText->text(), QStringLiteral("25"));
    Line(QStringLiteral("temperature: 0030"));
    EXPECT_EQ(Window().TemperatureText->text(), QStringLiteral("48"));
}

TEST_F(AbandonedLine, CpeNumberBeyondTheCardStopsTheLineAtSfdLosses) {
    Start(kLineCardApp);
    Line(QStringLiteral("temperature: 0019"));
    // The switch settings come before the SFD losses and are read; temperature comes after. CPE 7 stands at
    // position 12.
    Line(QStringLiteral("FF12: 2D 0007 SFD Loss Count: 0001 temperature: 0030"));
    EXPECT_EQ(Window().TimeSlotText->text(), QStringLiteral("2"));
    EXPECT_EQ(Window().TemperatureText->text(), QStringLiteral("25"));
}

TEST_F(AbandonedLine, NegativeCpeReportCodeStopsTheLine) {
    Start(kCpeApp);
    Line(QStringLiteral("temperature: 0019"));
    Line(QStringLiteral("op_status: -1 temperature: 0030"));
    EXPECT_EQ(Window().OpStateText->text(), QStringLiteral("Acquisition"));
    EXPECT_EQ(Window().TemperatureText->text(), QStringLiteral("25"));
    Line(QStringLiteral("hook_state: 00-1 temperature: 0030"));  // line 1 is written before line 2 fails
    EXPECT_EQ(Window().Line1Hook->text(), QStringLiteral("OFF HOOK"));
    EXPECT_EQ(Window().Line2Hook->text(), QStringLiteral("ON HOOK"));
    EXPECT_EQ(Window().TemperatureText->text(), QStringLiteral("25"));
}

}  // namespace
