#include "TestWindow.h"

#include "status/ReadingRules.h"

#include <QLineEdit>

#include <gtest/gtest.h>

namespace {

const QString kUntouched = QStringLiteral("untouched");

// A window whose board runs `program` (0 to 3 as announced, anything else forced).
void BringTo(TestWindow& t, std::int32_t program) {
    if (program >= kBootLoader && program <= kCpeApp) {
        t.Running(program);
    } else {
        t.Connected();
        t.Window.Session.State.ActiveProgram = program;
    }
}

const char* ProgramName(std::int32_t program) {
    static const char* const kNames[] = {"UNKNOWN", "BOOT LOADER", "LINE CARD APP", "CPE APP"};
    return kNames[program];
}

}  // namespace

TEST(ProgramDetection, FollowsTheBannersAndAppliesTheLayoutOnlyOnAChange) {
    struct Case {
        std::int32_t From;
        const char* Line;
        std::int32_t To;
    };
    for (const Case& c : {
             Case{0, "Boot Loader Initialized", 1},
             Case{0, "Line Card Application Initialized", 2},
             Case{0, "CPE Application Initialized", 3},
             Case{0, "Maximum CPU%: 12", 1},
             Case{0, "op_status: 02", 0},
             Case{0, "boot loader initialized", 0},
             Case{0, "Maximum CPU% Line Card Application Initialized", 2},
             Case{0, "CPE Application Initialized Boot Loader Initialized", 1},
             Case{0, "cpe_reset #1", 0},
             Case{1, "Line Card Application Initialized", 2},
             Case{1, "CPE Application Initialized", 3},
             Case{1, "CPE Application Initialized Line Card Application Initialized", 2},
             Case{1, "cpe_reset #", 2},
             Case{1, "Stops Application", 3},
             Case{1, "cpe_reset # CPE Application Initialized", 3},
             Case{1, "Stops Application cpe_reset #", 2},
             Case{1, "Boot Loader Initialized", 1},
             Case{1, "Maximum CPU%", 1},
             Case{1, "    Version:  Boot 1.0", 1},
             Case{2, "CPE Application Initialized", 2},
             Case{2, "Line Card Application Initialized", 2},
             Case{2, "cpe_reset #", 2},
             Case{2, "Boot Loader Initialized", 1},
             Case{3, "Line Card Application Initialized", 3},
             Case{3, "Stops Application", 3},
             Case{3, "xx Boot Loader Initialized xx", 1},
             Case{3, "BOOT LOADER INITIALIZED", 3},
             Case{4, "Boot Loader Initialized", 4},
             Case{-1, "Line Card Application Initialized", -1},
         }) {
        TestWindow t;
        BringTo(t, c.From);
        t.Window.ProgramText->setText(kUntouched);  // only a layout writes this field
        t.Window.Session.State.ReplyLine = QString::fromLatin1(c.Line);
        t.Window.Session.InterpretReplyLine();
        EXPECT_EQ(t.Window.Session.State.ActiveProgram, c.To) << c.From << ": " << c.Line;
        const QString shown = c.To == c.From ? kUntouched : QString::fromLatin1(ProgramName(c.To));
        EXPECT_EQ(t.Window.ProgramText->text(), shown) << c.From << ": " << c.Line;
        EXPECT_EQ(t.Window.Session.State.ReplyLine, QString::fromLatin1(c.Line));
    }
}

TEST(ProgramDetection, ApplicationBannerRestartsThePollCycleOnlyWhenTheProgramChanges) {
    TestWindow t;
    t.Running(kBootLoader);
    t.Ticks(5);
    t.Line(QStringLiteral("Line Card Application Initialized"));
    EXPECT_EQ(t.Window.Session.State.PollTick, 1);
    EXPECT_EQ(t.Window.Session.State.PollStep, 0);
    EXPECT_TRUE(t.Window.Session.State.InitialReadsPending);

    t.Ticks(39);  // poll step 4 done
    t.Line(QStringLiteral("Line Card Application Initialized"));
    t.Line(QStringLiteral("CPE Application Initialized"));
    EXPECT_EQ(t.Window.Session.State.PollStep, 4);
    EXPECT_EQ(t.Window.Session.State.ActiveProgram, kLineCardApp);
}

TEST(ProgramDetection, BootLoaderBannerInAnApplicationDropsPendingWrites) {
    TestWindow t;
    t.Running(kCpeApp);
    t.Window.Session.State.V35UpdatePending = true;
    t.Line(QStringLiteral("Boot Loader Initialized"));
    EXPECT_EQ(t.Window.Session.State.ActiveProgram, kBootLoader);
    EXPECT_FALSE(t.Window.Session.State.V35UpdatePending);
    EXPECT_EQ(t.Window.ProgramText->text(), QStringLiteral("BOOT LOADER"));
}

TEST(ProgramDetection, InterpretersSeeOnlyTheLinesTheirProgramAllows) {
    const QString version = QStringLiteral("    Version:  Boot 2.0");
    const QString temperature = QStringLiteral("temperature: 0019");
    TestWindow t;
    t.Connected();
    t.Line(version);
    t.Line(temperature);
    EXPECT_EQ(t.Window.BootLoaderText->text(), QStringLiteral("???"));
    EXPECT_EQ(t.Window.TemperatureText->text(), QString());

    t.Line(QStringLiteral("Boot Loader Initialized"));
    t.Line(temperature);
    t.Line(version);
    EXPECT_EQ(t.Window.TemperatureText->text(), QString());
    EXPECT_EQ(t.Window.BootLoaderText->text(), QStringLiteral("Boot 2.0"));
    t.Line(QStringLiteral("    Version:  Line 3.1 cpe_reset #"));  // switches, and is a version line too
    EXPECT_EQ(t.Window.Session.State.ActiveProgram, kLineCardApp);
    EXPECT_EQ(t.Window.ApplicationText->text(), QStringLiteral("Line 3.1 cpe_reset #"));

    t.Line(QStringLiteral("CPE Application Initialized"));
    t.Line(temperature + QStringLiteral(" Boot Loader Initialized"));
    EXPECT_EQ(t.Window.Session.State.ActiveProgram, kBootLoader);
    EXPECT_EQ(t.Window.TemperatureText->text(), QString());

    t.Line(QStringLiteral("CPE Application Initialized"));
    t.Line(temperature + QStringLiteral(" Line Card Application Initialized"));
    EXPECT_EQ(t.Window.Session.State.ActiveProgram, kCpeApp);
    EXPECT_EQ(t.Window.TemperatureText->text(), QStringLiteral("25"));
}

TEST(ProgramDetection, AbandonedLineKeepsEarlierResultsAndSkipsLaterInterpreters) {
    // The CPE number sits at 12-13, the temperature at 14-17, the version text from 15 on.
    const auto line = [](const char* cpe) {
        return QStringLiteral("SFD events %1001A SFD Loss Count: 0003 temperature:     Version:  ")
            .arg(QString::fromLatin1(cpe));
    };
    TestWindow t;
    t.Running(kLineCardApp);
    t.Line(line("04"));
    EXPECT_EQ(t.Window.FirmwareText->text(), FieldFrom(line("04"), 15));
    EXPECT_EQ(t.Window.TemperatureText->text(), QString());

    t.Line(line("03"));
    EXPECT_EQ(t.Window.TemperatureText->text(), QStringLiteral("26"));
}
