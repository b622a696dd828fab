#include "InterpreterTestSupport.h"

#include <QComboBox>

namespace {

class OpStatus : public RunningBoard {};

TEST_F(OpStatus, CpeShowsItsOwnStateFromReportsAndEvents) {
    Start(kCpeApp);
    const struct {
        const char* line;
        const char* shown;
        QColor colour;
    } cases[] = {
        {"op_status: 02", "Locked", kGreenBase},
        {"op_status: 01", "Ranging", kYellowBase},
        {"op_status: 00", "Acquisition", kRedBase},
        {"Ranging Completed Successfully", "Locked", kGreenBase},
        {"op_status: 07", "Acquisition", kRedBase},
        {"Starting Ranging", "Ranging", kYellowBase},
        {"op_status: ", "Acquisition", kRedBase},
        {"op_status: 02 Starting Ranging", "Locked", kGreenBase},  // a report, not an event
        {"Starting Acquisition", "Acquisition", kRedBase},
        {"starting ranging", "Acquisition", kRedBase},  // no event in another letter case
    };
    for (const auto& c : cases) {
        Line(QString::fromLatin1(c.line));
        EXPECT_EQ(Window().OpStateText->text(), QString::fromLatin1(c.shown)) << c.line;
        EXPECT_EQ(Base(Window().OpStateText), c.colour) << c.line;
    }
    for (int cpe = 0; cpe < kCpeCount; ++cpe) {
        EXPECT_EQ(Record(cpe).OpState, QStringLiteral("Acquisition"));  // the store belongs to the Line Card
    }
}

TEST_F(OpStatus, LineCardReportStoresEveryCpeAndShowsTheSelectedOne) {
    Start(kLineCardApp);
    ASSERT_EQ(Window().Session.State.SelectedCpe, 2);
    Line(QStringLiteral("op_status: 00010203"));
    EXPECT_EQ(Record(0).OpState, QStringLiteral("Acquisition"));
    EXPECT_EQ(Record(1).OpState, QStringLiteral("Ranging"));
    EXPECT_EQ(Record(2).OpState, QStringLiteral("Locked"));
    EXPECT_EQ(Record(3).OpState, QStringLiteral("Acquisition"));
    EXPECT_EQ(Window().OpStateText->text(), QStringLiteral("Locked"));
    EXPECT_EQ(Base(Window().OpStateText), kGreenBase);

    Line(QStringLiteral("op_status: 0102"));  // short: missing codes read as 0
    EXPECT_EQ(Record(0).OpState, QStringLiteral("Ranging"));
    EXPECT_EQ(Record(1).OpState, QStringLiteral("Locked"));
    EXPECT_EQ(Record(2).OpState, QStringLiteral("Acquisition"));
    EXPECT_EQ(Record(3).OpState, QStringLiteral("Acquisition"));
    EXPECT_EQ(Window().OpStateText->text(), QStringLiteral("Acquisition"));
}

TEST_F(OpStatus, LineCardReportWithANegativeCodeKeepsEarlierCpesAndLeavesTheField) {
    Start(kLineCardApp);
    Line(QStringLiteral("op_status: 01010101"));
    Line(QStringLiteral("op_status: 0202-102"));
    EXPECT_EQ(Record(0).OpState, QStringLiteral("Locked"));
    EXPECT_EQ(Record(1).OpState, QStringLiteral("Locked"));
    EXPECT_EQ(Record(2).OpState, QStringLiteral("Ranging"));
    EXPECT_EQ(Record(3).OpState, QStringLiteral("Ranging"));
    EXPECT_EQ(Window().OpStateText->text(), QStringLiteral("Ranging"));
}

TEST_F(OpStatus, LineCardEventsChangeTheirCpeAndReshowTheSelectedOne) {
    Start(kLineCardApp);
    Line(QStringLiteral("Subscriber 03 Ranging Completed Successfully"));
    EXPECT_EQ(Record(3).OpState, QStringLiteral("Locked"));
    EXPECT_EQ(Window().OpStateText->text(), QStringLiteral("Acquisition"));  // CPE 2 is shown
    Line(QStringLiteral("Subscriber 02 Starting Ranging"));
    EXPECT_EQ(Record(2).OpState, QStringLiteral("Ranging"));
    EXPECT_EQ(Window().OpStateText->text(), QStringLiteral("Ranging"));
    Line(QStringLiteral("Subscriber 02 Starting Acquisition"));  // no event on a Line Card
    EXPECT_EQ(Record(2).OpState, QStringLiteral("Ranging"));
    const auto before = AllRecords();
    Line(QStringLiteral("Subscriber 0A Starting Ranging"));
    Line(QStringLiteral("Subscriber 04 Ranging Completed Successfully"));
    Line(QStringLiteral("Subscriber 04 Commanded Reset"));
    EXPECT_EQ(AllRecords(), before);
}

TEST_F(OpStatus, LostOrResetCpeGoesBackToItsStartValues) {
    Start(kLineCardApp);
    Line(QStringLiteral("op_status: 02020200"));
    Line(QStringLiteral("FF28: 20 21 22 00"));
    Line(QStringLiteral("Subscriber 01 SFD Loss Count: 0002"));
    Line(QStringLiteral("Subscriber 02 SFD Loss Count: 0003"));
    Line(QStringLiteral("hook_state: 0000000000000000"));
    Line(QStringLiteral("ring_state: 0101010101010101"));

    Line(QStringLiteral("Subscriber 01 Communications Lost"));
    EXPECT_EQ(Stored(Record(1)), kResetStatus);
    EXPECT_EQ(Record(2).Rssi, QStringLiteral("34"));  // the others keep theirs
    EXPECT_EQ(Shown(Window()), Stored(Record(2)));

    Line(QStringLiteral("Subscriber 02 Commanded Reset"));
    EXPECT_EQ(Stored(Record(2)), kResetStatus);
    EXPECT_EQ(Shown(Window()), kResetStatus);
    EXPECT_EQ(Base(Window().OpStateText), kRedBase);
    EXPECT_EQ(Base(Window().RssiText), kRedBase);
    EXPECT_EQ(Base(Window().SfdLossText), kRedBase);
    EXPECT_EQ(Record(0).OpState, QStringLiteral("Locked"));
}

}  // namespace
