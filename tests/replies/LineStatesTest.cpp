#include "InterpreterTestSupport.h"

#include <QComboBox>

namespace {

class LineStates : public RunningBoard {
  protected:
    QStringList Fields() {
        return {Window().Line1Hook->text(), Window().Line1Ring->text(), Window().Line2Hook->text(),
                Window().Line2Ring->text()};
    }
};

TEST_F(LineStates, CpeReportsShowBothLines) {
    Start(kCpeApp);
    Line(QStringLiteral("hook_state: 0001"));
    Line(QStringLiteral("ring_state: 0100"));
    EXPECT_EQ(Fields(), (QStringList{"OFF HOOK", "RING ON", "ON HOOK", "RING OFF"}));
    Line(QStringLiteral("hook_state: "));  // missing codes read as 0, which is off hook
    Line(QStringLiteral("ring_state: 0202"));
    EXPECT_EQ(Fields(), (QStringList{"OFF HOOK", "RING OFF", "OFF HOOK", "RING OFF"}));
    Line(QStringLiteral("hook_state: 0101 OFF HOOK"));  // a report, whatever event text it holds
    EXPECT_EQ(Fields(), (QStringList{"ON HOOK", "RING OFF", "ON HOOK", "RING OFF"}));
}

TEST_F(LineStates, CpeEventsSetTheLineTheirChannelNames) {
    Start(kCpeApp);
    Line(QStringLiteral("hook_state: 0101"));
    Line(QStringLiteral("Channel 01 OFF HOOK"));
    EXPECT_EQ(Fields(), (QStringList{"ON HOOK", "RING OFF", "OFF HOOK", "RING OFF"}));
    Line(QStringLiteral("Channel 02 ON HOOK"));
    Line(QStringLiteral("Channel 02 RING ON"));
    EXPECT_EQ(Fields(), (QStringList{"ON HOOK", "RING OFF", "OFF HOOK", "RING OFF"}));
    Line(QStringLiteral("Channel 02 XX0030 ON HOOK temperature: "));  // ignored, but the line goes on
    EXPECT_EQ(Window().TemperatureText->text(), QStringLiteral("48"));
    Line(QStringLiteral("Channel 00 RING ON"));
    Line(QStringLiteral("Channel 01 ON HOOK"));
    EXPECT_EQ(Fields(), (QStringList{"ON HOOK", "RING ON", "ON HOOK", "RING OFF"}));
    Line(QStringLiteral("Channel 00 RING ON after RING OFF"));  // the off text is tested first
    EXPECT_EQ(Window().Line1Ring->text(), QStringLiteral("RING OFF"));
}

TEST_F(LineStates, LineCardReportsUpdateOnlyLockedCpes) {
    Start(kLineCardApp);
    Line(QStringLiteral("op_status: 00020100"));           // only CPE 1 is locked; CPE 2 is ranging
    Line(QStringLiteral("hook_state: 0000000100000000"));  // the others would go off hook
    Line(QStringLiteral("ring_state: 0101010001010101"));  // and ring
    EXPECT_EQ(Record(1).Lines[0].Hook, QStringLiteral("OFF HOOK"));
    EXPECT_EQ(Record(1).Lines[1].Hook, QStringLiteral("ON HOOK"));
    EXPECT_EQ(Record(1).Lines[0].Ring, QStringLiteral("RING ON"));
    EXPECT_EQ(Record(1).Lines[1].Ring, QStringLiteral("RING OFF"));
    for (int cpe : {0, 2, 3}) {
        EXPECT_EQ(Stored(Record(cpe)).Line1Hook, QStringLiteral("ON HOOK")) << cpe;
        EXPECT_EQ(Stored(Record(cpe)).Line2Hook, QStringLiteral("ON HOOK")) << cpe;
        EXPECT_EQ(Stored(Record(cpe)).Line1Ring, QStringLiteral("RING OFF")) << cpe;
    }
    EXPECT_EQ(Fields(), (QStringList{"ON HOOK", "RING OFF", "ON HOOK", "RING OFF"}));  // CPE 2 is shown
    Window().CpeSelect->setCurrentIndex(1);
    EXPECT_EQ(Fields(), (QStringList{"OFF HOOK", "RING ON", "ON HOOK", "RING OFF"}));
    Line(QStringLiteral("hook_state: -1-10100-1-1-1-1"));  // codes of CPEs not locked are not even read
    EXPECT_EQ(Fields(), (QStringList{"ON HOOK", "RING ON", "OFF HOOK", "RING OFF"}));
}

TEST_F(LineStates, LineCardReportWithANegativeCodeKeepsEarlierCodesAndLeavesTheFields) {
    Start(kLineCardApp);
    Line(QStringLiteral("op_status: 02020202"));
    Line(QStringLiteral("hook_state: 0000-10000000000"));  // CPE 1 line 1 is "-1"
    EXPECT_EQ(Record(0).Lines[0].Hook, QStringLiteral("OFF HOOK"));
    EXPECT_EQ(Record(0).Lines[1].Hook, QStringLiteral("OFF HOOK"));
    for (int cpe : {1, 2, 3}) {
        EXPECT_EQ(Record(cpe).Lines[0].Hook, QStringLiteral("ON HOOK")) << cpe;
    }
    EXPECT_EQ(Window().Line1Hook->text(), QStringLiteral("ON HOOK"));
}

TEST_F(LineStates, LineCardEventsUpdateAnyCpe) {
    Start(kLineCardApp);  // every CPE in acquisition, CPE 2 shown
    Line(QStringLiteral("Subscriber 02 Channel 01 OFF HOOK"));
    EXPECT_EQ(Record(2).Lines[1].Hook, QStringLiteral("OFF HOOK"));
    EXPECT_EQ(Window().Line2Hook->text(), QStringLiteral("OFF HOOK"));
    Line(QStringLiteral("Subscriber 00 Channel 00 RING ON"));
    EXPECT_EQ(Record(0).Lines[0].Ring, QStringLiteral("RING ON"));
    EXPECT_EQ(Window().Line1Ring->text(), QStringLiteral("RING OFF"));         // not the CPE shown
    Line(QStringLiteral("Subscriber 03 on Channel 01, Channel 00 RING OFF"));  // the first "Channel " counts
    EXPECT_EQ(Record(3).Lines[1].Ring, QStringLiteral("RING OFF"));
    Line(QStringLiteral("Subscriber 03 Channel 01 RING ON"));
    Line(QStringLiteral("Subscriber 03 Channel 00 RING ON then RING OFF"));
    EXPECT_EQ(Record(3).Lines[0].Ring, QStringLiteral("RING OFF"));
    EXPECT_EQ(Record(3).Lines[1].Ring, QStringLiteral("RING ON"));
}

TEST_F(LineStates, LineCardEventsWithoutAValidCpeOrChannelChangeNothing) {
    Start(kLineCardApp);
    const auto before = AllRecords();
    const QStringList shown = Fields();
    for (const char* line :
         {"Subscriber 02 OFF HOOK", "Subscriber 04 Channel 00 ON HOOK", "Subscriber 00 Channel 02 OFF HOOK",
          "Subscriber 01 Channel 05 RING ON", "Subscriber FF Channel 00 RING ON"}) {
        Line(QString::fromLatin1(line));
        EXPECT_EQ(AllRecords(), before) << line;
        EXPECT_EQ(Fields(), shown) << line;
    }
}

}  // namespace
