#include "InterpreterTestSupport.h"
#include "replies/CpeStatus.h"

#include <QComboBox>

namespace {

TEST(CpeStatusNames, NameEveryCode) {
    EXPECT_EQ(OpStateName(0), QStringLiteral("Acquisition"));
    EXPECT_EQ(OpStateName(1), QStringLiteral("Ranging"));
    EXPECT_EQ(OpStateName(2), QStringLiteral("Locked"));
    EXPECT_EQ(OpStateName(3), QStringLiteral("Acquisition"));
    EXPECT_EQ(OpStateName(255), QStringLiteral("Acquisition"));
    EXPECT_EQ(HookStateName(0), QStringLiteral("OFF HOOK"));  // 0 is a lifted handset
    EXPECT_EQ(HookStateName(1), QStringLiteral("ON HOOK"));
    EXPECT_EQ(HookStateName(2), QStringLiteral("ON HOOK"));
    EXPECT_EQ(RingStateName(0), QStringLiteral("RING OFF"));
    EXPECT_EQ(RingStateName(1), QStringLiteral("RING ON"));
    EXPECT_EQ(RingStateName(2), QStringLiteral("RING OFF"));
}

class CpeStore : public RunningBoard {
  protected:
    // CPE 1 locked with a signal, losses and a lifted, ringing line 1; CPE 3 ranging.
    void FillRecords() {
        Start(kLineCardApp);
        Line(QStringLiteral("op_status: 00020001"));
        Line(QStringLiteral("FF28: 00 0C 00 07"));
        Line(QStringLiteral("Subscriber 01 SFD Loss Count: 0005"));
        Line(QStringLiteral("hook_state: 0000000100000000"));
        Line(QStringLiteral("ring_state: 0000010000000000"));
    }
};

TEST_F(CpeStore, ResetRefusesANumberBeyondTheCard) {
    FillRecords();
    const ShownStatus before = Stored(Record(1));
    EXPECT_FALSE(Window().Session.ResetCpeStatus(4));
    EXPECT_FALSE(Window().Session.ResetCpeStatus(-1));
    EXPECT_EQ(Stored(Record(1)), before);
    EXPECT_TRUE(Window().Session.ResetCpeStatus(1));
    EXPECT_EQ(Stored(Record(1)), kResetStatus);
}

TEST_F(CpeStore, SelectingACpeShowsItsStoredStatus) {
    FillRecords();
    const ShownStatus cpe1{QStringLiteral("Locked"),   QStringLiteral("12"),      QStringLiteral("5"),
                           QStringLiteral("OFF HOOK"), QStringLiteral("RING ON"), QStringLiteral("ON HOOK"),
                           QStringLiteral("RING OFF")};
    EXPECT_EQ(Stored(Record(1)), cpe1);
    Window().CpeSelect->setCurrentIndex(1);
    EXPECT_EQ(Window().Session.State.SelectedCpe, 1);
    EXPECT_EQ(Shown(Window()), cpe1);
    EXPECT_EQ(Base(Window().OpStateText), kGreenBase);
    EXPECT_EQ(Base(Window().RssiText), kGreenBase);
    EXPECT_EQ(Base(Window().SfdLossText), kYellowBase);

    Window().CpeSelect->setCurrentIndex(3);
    EXPECT_EQ(Shown(Window()), (ShownStatus{QStringLiteral("Ranging"), QStringLiteral("7"), QString(),
                                            QStringLiteral("ON HOOK"), QStringLiteral("RING OFF"),
                                            QStringLiteral("ON HOOK"), QStringLiteral("RING OFF")}));
    EXPECT_EQ(Base(Window().OpStateText), kYellowBase);
    EXPECT_EQ(Base(Window().RssiText), kYellowBase);
    EXPECT_EQ(Base(Window().SfdLossText), kRedBase);
}

TEST_F(CpeStore, ReselectingTheShownCpeOrClearingTheListShowsNothing) {
    FillRecords();
    Window().CpeSelect->setCurrentIndex(1);
    Window().OpStateText->setText(QStringLiteral("marker"));
    Window().CpeSelect_Click();  // CPE 1 is already shown
    EXPECT_EQ(Window().OpStateText->text(), QStringLiteral("marker"));
    Window().CpeSelect->setCurrentIndex(-1);
    EXPECT_EQ(Window().Session.State.SelectedCpe, 1);
    EXPECT_EQ(Window().OpStateText->text(), QStringLiteral("marker"));
}

}  // namespace
