#include "TestWindow.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

void PrintTo(const DeviceIdentity& device, std::ostream* out) {
    *out << "{kind " << static_cast<int>(device.By) << ", " << device.Name.toStdString() << ", " << std::hex
         << device.VendorId << ':' << device.ProductId << std::dec << '}';
}

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
    EXPECT_EQ(SyncedViewText(w),
              QStringLiteral("from COM1\r\nfrom COM2\r\n"));  // the view goes on across ports
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

// The engineer is away: nothing waits for a click, and the notice tells when the port went and came back.
TEST(PortLoss, ClosesNotifiesAndReopensOnlyTheSameDeviceAsTheSameEntry) {
    TestWindow t;
    t.Connected();
    GuiMain& w = t.Window;
    int clockReads = 0;
    w.Clock = [&] { return QDateTime(QDate(2026, 12, 8), QTime(2, 13, 5)).addSecs(4 * clockReads++); };
    w.State.ActiveProgram = kLineCardApp;
    w.State.ReceiveBuffer = QStringLiteral("half");
    t.Port.Lose();
    t.Port.Lose();  // a second failure report of the same loss
    EXPECT_FALSE(t.Port.IsOpen());
    EXPECT_EQ(w.CommPortSelect->currentText(), QStringLiteral("COM1"));
    EXPECT_EQ(w.State.PortListIndex, 1);
    EXPECT_EQ(w.State.ActiveProgram, kNoProgram);
    EXPECT_TRUE(w.State.ReceiveBuffer.isEmpty());
    EXPECT_TRUE(w.ReopenTimer.isActive());
    EXPECT_EQ(w.ReopenTimer.interval(), 1000);
    EXPECT_EQ(
        t.Prompts.Notices,
        QStringList({"COM1 is no longer available. Reconnect it: it is opened again as soon as it is back.\n"
                     "\nCOM1 lost 2026-12-08 02:13:05"}));

    t.Port.Ports.erase(1);  // unplugged
    w.ReopenTimer_Timer();
    t.Port.Ports[1] = {OpenStatus::Opened, {}};
    t.Port.Devices[1] = {DeviceIdentity::Kind::ById, QStringLiteral("/dev/serial/by-id/usb-other-adapter")};
    w.ReopenTimer_Timer();  // another adapter where COM1's was
    t.Port.Devices.erase(1);
    t.Port.Ports[1] = {OpenStatus::Busy, QStringLiteral("Permission error while locking the device")};
    w.ReopenTimer_Timer();  // back, but another program got it first
    EXPECT_FALSE(t.Port.IsOpen());
    EXPECT_EQ(t.Port.OpenedPorts, QList<int>({1, 1}));
    EXPECT_EQ(t.Prompts.Notices.size(), 1);
    EXPECT_TRUE(t.Prompts.Warnings.isEmpty());

    t.Port.Ports[1] = {OpenStatus::Opened, {}};
    w.ReopenTimer_Timer();
    EXPECT_TRUE(t.Port.IsOpen());
    EXPECT_EQ(t.Port.OpenedPorts, QList<int>({1, 1, 1}));
    EXPECT_FALSE(w.ReopenTimer.isActive());
    EXPECT_EQ(w.CommPortSelect->toolTip(), QStringLiteral("/dev/fake1"));
    EXPECT_EQ(t.Prompts.Notices.value(1),
              "COM1 is back and open again.\n"
              "\nCOM1 lost 2026-12-08 02:13:05, back 2026-12-08 02:13:09");
    t.Ticks(10);
    EXPECT_EQ(t.Port.SentTexts(), QStringList({"cpu\r\n"}));  // polling as after any change of port
    EXPECT_TRUE(t.Prompts.Warnings.isEmpty());

    w.close();
    t.Port.Lose();  // reported after the window has gone
    EXPECT_EQ(t.Prompts.Notices.size(), 2);
}

TEST(PortLoss, AnotherChoiceEndsTheWaitAndADownloadStaysAborted) {
    const struct {
        const char* Case;
        bool Downloading;
        int Choice;  // -1: none
        bool Reopened;
    } kCases[] = {
        {"DISCONNECT chosen", false, 0, false},
        {"COM2 chosen", false, 2, false},
        {"download running", true, -1, true},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.Case);
        TestWindow t;
        t.Port.AddPorts(2);
        t.Started();
        GuiMain& w = t.Window;
        w.CommPortSelect->setCurrentIndex(1);
        if (c.Downloading) {
            t.Prompts.FileAnswers.push_back(QStringLiteral("/tmp/program.hex"));
            w.DownloadButton_Click();
            ASSERT_TRUE(w.Download.State.DownloadActive);
        }
        t.Port.Lose();
        EXPECT_FALSE(w.Download.State.DownloadActive);
        EXPECT_TRUE(w.CommPortSelect->isEnabled());
        if (c.Choice >= 0) {
            w.CommPortSelect->setCurrentIndex(c.Choice);
        }
        EXPECT_EQ(w.ReopenTimer.isActive(), c.Choice < 0);
        t.Port.ClearSends();  // COM1's device is back at once
        if (w.ReopenTimer.isActive()) {
            w.ReopenTimer_Timer();
        }
        EXPECT_EQ(t.Port.IsOpen() && t.Port.PortNumber == 1, c.Reopened);
        EXPECT_FALSE(w.Download.State.DownloadActive);
        EXPECT_EQ(w.State.ActiveProgram, kNoProgram);
        EXPECT_TRUE(t.Port.SentTexts().isEmpty());  // no reset request: the download is not taken up again
        EXPECT_TRUE(t.Prompts.Warnings.isEmpty());
    }
}

TEST(PortLoss, APortThatComesAndGoesAllNightListsTheLatestTenLosses) {
    TestWindow t;
    t.Connected();
    GuiMain& w = t.Window;
    int clockReads = 0;
    w.Clock = [&] { return QDateTime(QDate(2026, 12, 8), QTime(0, 0)).addSecs(60 * clockReads++); };
    for (int loss = 0; loss < 12; ++loss) {
        t.Port.Lose();
        w.ReopenTimer_Timer();
    }
    t.Port.Lose();
    const QStringList lines = t.Prompts.Notices.last().split(u'\n');
    ASSERT_EQ(lines.size(), 13);
    EXPECT_EQ(lines.mid(0, 4),
              QStringList({"COM1 is no longer available. Reconnect it: it is opened again as soon "
                           "as it is back.",
                           "", "3 earlier losses not listed",
                           "COM1 lost 2026-12-08 00:06:00, back 2026-12-08 00:07:00"}));
    EXPECT_EQ(lines.last(), "COM1 lost 2026-12-08 00:24:00");
}

// Staged device nodes and by-id links, as udev would make them when adapters come and go.
TEST(PortDevice, TheSameAdapterIsFoundUnderAnyNameAndAnotherOneNever) {
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkdir(QStringLiteral("by-id")));
    const auto node = [&](const QString& name) { return root.filePath(name); };
    const auto plug = [&](const QString& name) { QFile(node(name)).open(QIODevice::WriteOnly); };
    const auto link = [&](const QString& name, const QString& target) {
        QFile::remove(node(name));
        return QFile::link(node(target), node(name));
    };
    QList<ListedDevice> listed;
    const DeviceScan scan{root.filePath(QStringLiteral("by-id")), [&] { return listed; }};

    // By-id link: the adapter keeps its name when its tty changes.
    plug("ttyUSB0");
    ASSERT_TRUE(link("by-id/usb-FTDI_A-if00", "ttyUSB0"));
    const DeviceIdentity byId = IdentifyDevice(node("ttyUSB0"), scan);
    EXPECT_EQ(byId, (DeviceIdentity{DeviceIdentity::Kind::ById, node("by-id/usb-FTDI_A-if00")}));
    QFile::remove(node("ttyUSB0"));
    EXPECT_EQ(LocateDevice(byId, scan), QString());  // unplugged: the link dangles
    plug("ttyUSB0");
    QFile::remove(node("by-id/usb-FTDI_A-if00"));
    ASSERT_TRUE(link("by-id/usb-FTDI_B-if00", "ttyUSB0"));
    EXPECT_EQ(LocateDevice(byId, scan), QString());  // another adapter on the same tty
    plug("ttyUSB1");
    ASSERT_TRUE(link("by-id/usb-FTDI_A-if00", "ttyUSB1"));
    EXPECT_EQ(LocateDevice(byId, scan), QFileInfo(node("ttyUSB1")).canonicalFilePath());

    // No by-id link: the USB serial number with the vendor and product ids; none of the three alone will do.
    listed = {{node("ttyUSB2"), QStringLiteral("A123"), 0x0403, 0x6001, true}};
    plug("ttyUSB2");
    const DeviceIdentity usb = IdentifyDevice(node("ttyUSB2"), scan);
    EXPECT_EQ(usb, (DeviceIdentity{DeviceIdentity::Kind::UsbSerial, QStringLiteral("A123"), 0x0403, 0x6001}));
    listed = {{node("ttyUSB2"), QStringLiteral("B999"), 0x0403, 0x6001, true},
              {node("ttyUSB3"), QStringLiteral("A123"), 0x067b, 0x2303, true}};
    EXPECT_EQ(LocateDevice(usb, scan), QString());
    listed << ListedDevice{node("ttyUSB4"), QStringLiteral("A123"), 0x0403, 0x6001, true};
    EXPECT_EQ(LocateDevice(usb, scan), node("ttyUSB4"));

    // Neither (a pty behind a path of the engineer's): the path, whatever it leads to.
    listed.clear();
    plug("pts-5");
    ASSERT_TRUE(link("com1", "pts-5"));
    const DeviceIdentity path = IdentifyDevice(node("com1"), scan);
    EXPECT_EQ(path, (DeviceIdentity{DeviceIdentity::Kind::Path, node("com1")}));
    QFile::remove(node("pts-5"));
    plug("pts-6");
    EXPECT_EQ(LocateDevice(path, scan), QString());  // another path appeared
    ASSERT_TRUE(link("com1", "pts-6"));
    EXPECT_EQ(LocateDevice(path, scan), node("com1"));

    // A pty at its own path: the next terminal opened takes its number.
    const DeviceIdentity pty = IdentifyDevice(QStringLiteral("/dev/pts/0"), scan);
    EXPECT_EQ(pty, (DeviceIdentity{DeviceIdentity::Kind::None, QStringLiteral("/dev/pts/0")}));
    EXPECT_EQ(LocateDevice(pty, scan), QString());
}
