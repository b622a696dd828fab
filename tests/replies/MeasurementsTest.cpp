#include "InterpreterTestSupport.h"

#include <QComboBox>

namespace {

class Measurements : public RunningBoard {};

TEST_F(Measurements, TemperatureIsASignedWordWithEitherApplication) {
    for (const std::int32_t program : {kCpeApp, kLineCardApp}) {
        TestWindow board;
        board.Running(program);
        const struct {
            const char* line;
            const char* shown;
            QColor colour;
        } cases[] = {
            {"temperature: 0019", "25", kGreenBase},   {"temperature: FFF6", "-10", kGreenBase},
            {"temperature: 002D", "45", kYellowBase},  {"temperature: 0050", "80", kRedBase},
            {"temperature: 1A", "26", kGreenBase},     {"temperature: ", "0", kGreenBase},
            {"temperature: 8000", "-32768", kRedBase},
            {"temperature@ 0030 temperature: 0019", "48", kYellowBase},  // positions count from the line's start
        };
        for (const auto& c : cases) {
            board.Line(QString::fromLatin1(c.line));
            EXPECT_EQ(board.Window.TemperatureText->text(), QString::fromLatin1(c.shown)) << c.line;
            EXPECT_EQ(Base(board.Window.TemperatureText), c.colour) << c.line;
        }
    }
}

TEST_F(Measurements, NothingIsReadWhileTheBootLoaderRuns) {
    Start(kBootLoader);
    const QString before = Window().TemperatureText->text();
    Line(QStringLiteral("temperature: 0019"));
    Line(QStringLiteral("FF12: 2D"));
    EXPECT_EQ(Window().TemperatureText->text(), before);
    EXPECT_NE(Window().TimeSlotText->text(), QStringLiteral("2"));
}

TEST_F(Measurements, CpeSfdLossesAreASignedWord) {
    Start(kCpeApp);
    Line(QStringLiteral("SFD Loss Count: 000A"));
    EXPECT_EQ(Window().SfdLossText->text(), QStringLiteral("10"));
    EXPECT_EQ(Base(Window().SfdLossText), kYellowBase);
    Line(QStringLiteral("SFD Loss Count: FFFF"));
    EXPECT_EQ(Window().SfdLossText->text(), QStringLiteral("-1"));
    EXPECT_EQ(Base(Window().SfdLossText), kGreenBase);
    Line(QStringLiteral("SFD Loss Count: 0C"));
    EXPECT_EQ(Window().SfdLossText->text(), QStringLiteral("12"));
    EXPECT_EQ(Base(Window().SfdLossText), kRedBase);
    Line(QStringLiteral("SFD Loss Count@ 0007 SFD Loss Count: 000A"));  // counted from the line's start
    EXPECT_EQ(Window().SfdLossText->text(), QStringLiteral("7"));
}

TEST_F(Measurements, LineCardSfdLossesAreStoredForAnyCpe) {
    Start(kLineCardApp);  // all in acquisition, CPE 2 shown
    Line(QStringLiteral("Subscriber 01 SFD Loss Count: 0003"));
    EXPECT_EQ(Record(1).SfdLosses, QStringLiteral("3"));
    EXPECT_EQ(Window().SfdLossText->text(), QString());
    Line(QStringLiteral("Subscriber 02 lost sync, SFD Loss Count: 000B SFD Loss Count: 0001"));
    EXPECT_EQ(Record(2).SfdLosses, QStringLiteral("11"));
    EXPECT_EQ(Window().SfdLossText->text(), QStringLiteral("11"));
    EXPECT_EQ(Base(Window().SfdLossText), kRedBase);
    const auto before = AllRecords();
    Line(QStringLiteral("Subscriber 05 SFD Loss Count: 0003"));
    EXPECT_EQ(AllRecords(), before);
    EXPECT_EQ(Window().SfdLossText->text(), QStringLiteral("11"));
}

TEST_F(Measurements, SwitchSettingsComeFromTheFirstDumpByte) {
    Start(kLineCardApp);
    const struct {
        const char* line;
        const char* timeSlot;
        const char* rfChannel;
        const char* cdmaCode;
    } cases[] = {
        {"FF12: 2D 00 00 00 00 00 00 00", "2", "1", "3"},
        {"FF12: 7", "3", "3", "1"},
        {"FF12: ", "0", "0", "0"},
        {"FF12: F0", "3", "0", "0"},
        {"FF12: x9", "0", "1", "2"},
        {"FF12@ 2D FF12: 7", "2", "1", "3"},  // counted from the line's start
    };
    for (const auto& c : cases) {
        Line(QString::fromLatin1(c.line));
        EXPECT_EQ(Window().TimeSlotText->text(), QString::fromLatin1(c.timeSlot)) << c.line;
        EXPECT_EQ(Window().FrequencyText->text(), QString::fromLatin1(c.rfChannel)) << c.line;
        EXPECT_EQ(Window().CdmaText->text(), QString::fromLatin1(c.cdmaCode)) << c.line;
    }
}

TEST_F(Measurements, CpeSignalStrengthIsTheFirstDumpByte) {
    Start(kCpeApp);
    Line(QStringLiteral("FF28: 4B 00 00 00"));
    EXPECT_EQ(Window().RssiText->text(), QStringLiteral("75"));
    EXPECT_EQ(Base(Window().RssiText), kGreenBase);
    Line(QStringLiteral("FF28: 07"));
    EXPECT_EQ(Window().RssiText->text(), QStringLiteral("7"));
    EXPECT_EQ(Base(Window().RssiText), kYellowBase);
    Line(QStringLiteral("FF28: "));
    EXPECT_EQ(Window().RssiText->text(), QStringLiteral("0"));
    EXPECT_EQ(Base(Window().RssiText), kRedBase);
    Line(QStringLiteral("FF28@ 4B FF28: 07"));  // counted from the line's start
    EXPECT_EQ(Window().RssiText->text(), QStringLiteral("75"));
}

TEST_F(Measurements, LineCardSignalStrengthSkipsCpesInAcquisition) {
    Start(kLineCardApp);
    Line(QStringLiteral("op_status: 02000100"));
    Line(QStringLiteral("FF28: 10 20 30 40"));
    EXPECT_EQ(Record(0).Rssi, QStringLiteral("16"));
    EXPECT_EQ(Record(1).Rssi, QStringLiteral("0"));
    EXPECT_EQ(Record(2).Rssi, QStringLiteral("48"));
    EXPECT_EQ(Record(3).Rssi, QStringLiteral("0"));
    EXPECT_EQ(Window().RssiText->text(), QStringLiteral("48"));
    EXPECT_EQ(Base(Window().RssiText), kGreenBase);
    Window().CpeSelect->setCurrentIndex(1);
    EXPECT_EQ(Window().RssiText->text(), QStringLiteral("0"));
    EXPECT_EQ(Base(Window().RssiText), kRedBase);
}

}  // namespace
