#include "TestWindow.h"

#include <QComboBox>

#include <gtest/gtest.h>

namespace {

QStringList Entries(const QComboBox* list) {
    QStringList entries;
    for (int index = 0; index < list->count(); ++index) {
        entries << list->itemText(index);
    }
    return entries;
}

}  // namespace

TEST(PortList, ListsOpenableBusyAndForbiddenPortsButNotMissingOrFailingOnes) {
    TestWindow t;
    t.Port.Ports[1] = {OpenStatus::Opened, {}};
    t.Port.Ports[3] = {OpenStatus::Busy, QStringLiteral("Permission error while locking the device")};
    t.Port.Ports[4] = {OpenStatus::Denied, QStringLiteral("Permission denied")};
    t.Port.Ports[5] = {OpenStatus::Failed, QStringLiteral("Unknown error")};
    t.Port.Ports[8] = {OpenStatus::Opened, {}};
    t.Port.Ports[9] = {OpenStatus::Opened, {}};  // COM9 and above are never probed
    t.Started();
    GuiMain& w = t.Window;
    EXPECT_EQ(Entries(w.CommPortSelect), QStringList({"DISCONNECT", "COM1", "COM3", "COM4", "COM8"}));
    EXPECT_EQ(w.CommPortSelect->itemData(2).toInt(), 3);
    EXPECT_EQ(w.CommPortSelect->itemData(4, Qt::ToolTipRole).toString(), QStringLiteral("/dev/fake8"));
    EXPECT_EQ(w.CommPortSelect->currentIndex(), -1);
    EXPECT_EQ(w.State.PortListIndex, -1);
    EXPECT_FALSE(t.Port.IsOpen());
    EXPECT_EQ(t.Port.OpenedPorts, QList<int>({1, 8}));  // probed, then closed again
}

TEST(PortList, NoPortsOffersOnlyDisconnect) {
    TestWindow t;
    t.Started();
    EXPECT_EQ(Entries(t.Window.CommPortSelect), QStringList({"DISCONNECT"}));
    EXPECT_EQ(t.Window.State.PortListIndex, -1);
}

TEST(PortChoice, DisconnectFirstClearsTheBufferAndAgainChangesNothing) {
    TestWindow t;
    t.Port.AddPorts(1);
    t.Started();
    GuiMain& w = t.Window;
    w.State.ReceiveBuffer = QStringLiteral("partial");
    w.State.ActiveProgram = kLineCardApp;
    w.CommPortSelect->setCurrentIndex(0);
    EXPECT_EQ(w.State.PortListIndex, 0);
    EXPECT_EQ(w.State.ActiveProgram, kNoProgram);
    EXPECT_TRUE(w.State.ReceiveBuffer.isEmpty());
    w.State.ReceiveBuffer = QStringLiteral("kept");
    w.CommPortSelect->setCurrentIndex(0);
    EXPECT_EQ(w.State.ReceiveBuffer, QStringLiteral("kept"));
    EXPECT_TRUE(t.Port.OpenedPorts.size() == 1);  // only the probe
}

TEST(PortChoice, SecondPortClosesTheFirstAndForgetsTheProgram) {
    TestWindow t;
    t.Port.AddPorts(2);
    t.Started();
    GuiMain& w = t.Window;
    w.CommPortSelect->setCurrentIndex(1);
    ASSERT_TRUE(t.Port.IsOpen());
    EXPECT_EQ(t.Port.PortNumber, 1);
    EXPECT_EQ(w.State.PortListIndex, 1);
    t.Port.Receive("from COM1\r\n");
    w.State.ActiveProgram = kCpeApp;
    w.State.ReceiveBuffer = QStringLiteral("half a line");
    w.CommPortSelect->setCurrentIndex(2);
    EXPECT_TRUE(t.Port.IsOpen());
    EXPECT_EQ(t.Port.PortNumber, 2);
    EXPECT_EQ(t.Port.OpenedPorts, QList<int>({1, 2, 1, 2}));
    EXPECT_EQ(w.CommPortSelect->toolTip(), QStringLiteral("/dev/fake2"));  // the device of the open entry
    EXPECT_EQ(w.State.PortListIndex, 2);
    EXPECT_EQ(w.State.ActiveProgram, kNoProgram);
    EXPECT_TRUE(w.State.ReceiveBuffer.isEmpty());
    EXPECT_TRUE(t.Prompts.Warnings.isEmpty());
    t.Port.Receive("from COM2\r\n");
    EXPECT_EQ(SyncedViewText(w), ViewTextOf("from COM1\r\nfrom COM2\r\n"));  // the view goes on across ports
    w.CommPortSelect->setCurrentIndex(0);
    EXPECT_TRUE(w.CommPortSelect->toolTip().isEmpty());
}

TEST(PortChoice, EntryInEffectIsNotReopenedAndKeepsTheProgram) {
    TestWindow t;
    t.Connected();
    GuiMain& w = t.Window;
    w.State.ActiveProgram = kCpeApp;
    w.CommPortSelect->setCurrentIndex(1);
    emit w.CommPortSelect->currentIndexChanged(1);  // as a pick of the same entry would
    EXPECT_EQ(w.State.ActiveProgram, kCpeApp);
    EXPECT_EQ(t.Port.OpenedPorts, QList<int>({1, 1}));
    EXPECT_TRUE(t.Port.IsOpen());
}

// The serial layer's description, then what to do about the problems a Linux user meets.
TEST(PortChoice, FailedOpenWarnsWithTheDescriptionAndAdviceAndReturnsToDisconnect) {
    const struct {
        OpenResult Result;
        const char* Warning;
    } kCases[] = {
        {{OpenStatus::Denied, QStringLiteral("Permission denied")},
         "Permission denied\nYour user may not open /dev/fake2: add it to the group that owns the device "
         "(usually dialout), then log in again."},
        {{OpenStatus::Busy, QStringLiteral("Permission error while locking the device")},
         "Permission error while locking the device\n"
         "/dev/fake2 is in use by another program: close that program, then choose the port again."},
        {{OpenStatus::Missing, QStringLiteral("/dev/fake2 does not exist.")},
         "/dev/fake2 does not exist.\n"
         "/dev/fake2 is no longer there: reconnect the adapter, then choose the port again."},
        {{OpenStatus::Failed, QStringLiteral("Unknown error")}, "Unknown error"},
    };
    for (const auto& failure : kCases) {
        SCOPED_TRACE(failure.Warning);
        TestWindow t;
        t.Port.AddPorts(2);
        t.Started();
        t.Port.Ports[2] = failure.Result;  // as the list was made, COM2 was fine
        GuiMain& w = t.Window;
        w.CommPortSelect->setCurrentIndex(1);
        int clicksWhileWarned = -1;
        t.Prompts.WhileWarningShown = [&] { clicksWhileWarned = w.CommPortSelect->currentIndex(); };
        w.CommPortSelect->setCurrentIndex(2);
        EXPECT_EQ(t.Prompts.Warnings, QStringList({failure.Warning}));
        EXPECT_EQ(clicksWhileWarned, 2);  // the list returns to DISCONNECT after the box is closed
        EXPECT_EQ(w.CommPortSelect->currentIndex(), 0);
        EXPECT_EQ(w.State.PortListIndex, 0);
        EXPECT_FALSE(t.Port.IsOpen());
        EXPECT_EQ(w.State.ActiveProgram, kNoProgram);
        EXPECT_TRUE(w.CommPortSelect->toolTip().isEmpty());  // COM1 is closed: its device is no longer shown
    }
}

TEST(PortChoice, PortLostAtRunTimeClosesWarnsOnceAndReturnsToDisconnect) {
    TestWindow t;
    t.Connected();
    GuiMain& w = t.Window;
    w.State.ActiveProgram = kLineCardApp;
    w.State.ReceiveBuffer = QStringLiteral("half");
    t.Port.Lose();
    t.Port.Lose();  // a second failure report of the same loss
    EXPECT_FALSE(t.Port.IsOpen());
    EXPECT_EQ(w.CommPortSelect->currentIndex(), 0);
    EXPECT_EQ(w.State.PortListIndex, 0);
    EXPECT_EQ(w.State.ActiveProgram, kNoProgram);
    EXPECT_TRUE(w.State.ReceiveBuffer.isEmpty());
    EXPECT_EQ(t.Prompts.Warnings,
              QStringList({"COM1 is no longer available. Reconnect it, then choose it again."}));
    w.CommPortSelect->setCurrentIndex(1);  // replugged: the engineer chooses it again
    EXPECT_TRUE(t.Port.IsOpen());
    w.close();
    t.Port.Lose();  // reported after the window has gone
    EXPECT_EQ(t.Prompts.Warnings.size(), 1);
}
