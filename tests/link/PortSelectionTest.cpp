#include "TestWindow.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

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
    EXPECT_EQ(w.PortListIndex, -1);
    EXPECT_FALSE(t.Port.IsOpen());
    EXPECT_EQ(t.Port.OpenedPorts, QList<int>({1, 8}));  // probed, then closed again
}

TEST(PortList, NoPortsOffersOnlyDisconnect) {
    TestWindow t;
    t.Started();
    EXPECT_EQ(Entries(t.Window.CommPortSelect), QStringList({"DISCONNECT"}));
    EXPECT_EQ(t.Window.PortListIndex, -1);
}

TEST(PortChoice, DisconnectFirstClearsTheBufferAndAgainChangesNothing) {
    TestWindow t;
    t.Port.AddPorts(1);
    t.Started();
    GuiMain& w = t.Window;
    w.Session.State.ReceiveBuffer = QStringLiteral("partial");
    w.Session.State.ActiveProgram = kLineCardApp;
    w.CommPortSelect->setCurrentIndex(0);
    EXPECT_EQ(w.PortListIndex, 0);
    EXPECT_EQ(w.Session.State.ActiveProgram, kNoProgram);
    EXPECT_TRUE(w.Session.State.ReceiveBuffer.isEmpty());
    w.Session.State.ReceiveBuffer = QStringLiteral("kept");
    w.CommPortSelect->setCurrentIndex(0);
    EXPECT_EQ(w.Session.State.ReceiveBuffer, QStringLiteral("kept"));
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
    EXPECT_EQ(w.PortListIndex, 1);
    t.Port.Receive("from COM1\r\n");
    w.Session.State.ActiveProgram = kCpeApp;
    w.Session.State.ReceiveBuffer = QStringLiteral("half a line");
    w.CommPortSelect->setCurrentIndex(2);
    EXPECT_TRUE(t.Port.IsOpen());
    EXPECT_EQ(t.Port.PortNumber, 2);
    EXPECT_EQ(t.Port.OpenedPorts, QList<int>({1, 2, 1, 2}));
    EXPECT_EQ(w.CommPortSelect->toolTip(), QStringLiteral("/dev/fake2"));  // the device of the open entry
    EXPECT_EQ(w.PortListIndex, 2);
    EXPECT_EQ(w.Session.State.ActiveProgram, kNoProgram);
    EXPECT_TRUE(w.Session.State.ReceiveBuffer.isEmpty());
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
    w.Session.State.ActiveProgram = kCpeApp;
    w.CommPortSelect->setCurrentIndex(1);
    emit w.CommPortSelect->currentIndexChanged(1);  // as a pick of the same entry would
    EXPECT_EQ(w.Session.State.ActiveProgram, kCpeApp);
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
        // COM1 was closed for this choice, and its loss is reported only now: nothing is to be awaited.
        t.Prompts.WhileWarningShown = [&] {
            clicksWhileWarned = w.CommPortSelect->currentIndex();
            t.Port.Lose();
        };
        w.CommPortSelect->setCurrentIndex(2);
        EXPECT_EQ(t.Prompts.Warnings, QStringList({failure.Warning}));
        EXPECT_EQ(clicksWhileWarned, 2);  // the list returns to DISCONNECT after the box is closed
        EXPECT_EQ(w.CommPortSelect->currentIndex(), 0);
        EXPECT_EQ(w.PortListIndex, 0);
        EXPECT_FALSE(t.Port.IsOpen());
        EXPECT_EQ(w.Session.State.ActiveProgram, kNoProgram);
        EXPECT_TRUE(w.CommPortSelect->toolTip().isEmpty());  // COM1 is closed: its device is no longer shown
        EXPECT_FALSE(w.Session.ReopenTimer.isActive());
        EXPECT_TRUE(t.Prompts.Notices.isEmpty());
    }
}

// The engineer is away: nothing waits for a click, and the notice tells when the port went and came back.
TEST(PortLoss, ClosesNotifiesAndReopensOnlyTheSameDeviceAsTheSameEntry) {
    TestWindow t;
    t.Connected();
    GuiMain& w = t.Window;
    int clockReads = 0;
    w.Session.Clock = [&] { return QDateTime(QDate(2026, 12, 8), QTime(2, 13, 5)).addSecs(4 * clockReads++); };
    w.Session.State.ActiveProgram = kLineCardApp;
    w.Session.State.ReceiveBuffer = QStringLiteral("half");
    t.Port.Lose();
    t.Port.Lose();  // a second failure report of the same loss
    EXPECT_FALSE(t.Port.IsOpen());
    EXPECT_EQ(w.CommPortSelect->currentText(), QStringLiteral("COM1"));
    EXPECT_EQ(w.PortListIndex, 1);
    EXPECT_EQ(w.Session.State.ActiveProgram, kNoProgram);
    EXPECT_TRUE(w.Session.State.ReceiveBuffer.isEmpty());
    EXPECT_TRUE(w.Session.ReopenTimer.isActive());
    EXPECT_EQ(w.Session.ReopenTimer.interval(), 1000);
    EXPECT_EQ(
        t.Prompts.Notices,
        QStringList({"COM1 is no longer available. Reconnect it: it is opened again as soon as it is back.\n"
                     "\nCOM1 lost 2026-12-08 02:13:05"}));

    t.Port.Ports.erase(1);  // unplugged
    w.Session.ReopenTimer_Timer();
    t.Port.Ports[1] = {OpenStatus::Opened, {}};
    t.Port.Devices[1] = {DeviceIdentity::Kind::ById, QStringLiteral("/dev/serial/by-id/usb-other-adapter")};
    w.Session.ReopenTimer_Timer();  // another adapter where COM1's was
    t.Port.Devices.erase(1);
    t.Port.Ports[1] = {OpenStatus::Busy, QStringLiteral("Permission error while locking the device")};
    w.Session.ReopenTimer_Timer();  // back, but another program got it first
    EXPECT_FALSE(t.Port.IsOpen());
    EXPECT_EQ(t.Port.OpenedPorts, QList<int>({1, 1}));
    EXPECT_EQ(t.Prompts.Notices.size(), 1);
    EXPECT_TRUE(t.Prompts.Warnings.isEmpty());

    t.Port.Ports[1] = {OpenStatus::Opened, {}};
    w.Session.ReopenTimer_Timer();
    EXPECT_TRUE(t.Port.IsOpen());
    EXPECT_EQ(t.Port.OpenedPorts, QList<int>({1, 1, 1}));
    EXPECT_FALSE(w.Session.ReopenTimer.isActive());
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
            ASSERT_TRUE(w.Session.Download.State.DownloadActive);
        }
        t.Port.Lose();
        EXPECT_FALSE(w.Session.Download.State.DownloadActive);
        EXPECT_TRUE(w.CommPortSelect->isEnabled());
        if (c.Choice >= 0) {
            w.CommPortSelect->setCurrentIndex(c.Choice);
        }
        EXPECT_EQ(w.Session.ReopenTimer.isActive(), c.Choice < 0);
        t.Port.ClearSends();  // COM1's device is back at once
        if (w.Session.ReopenTimer.isActive()) {
            w.Session.ReopenTimer_Timer();
        }
        EXPECT_EQ(t.Port.IsOpen() && t.Port.PortNumber == 1, c.Reopened);
        EXPECT_FALSE(w.Session.Download.State.DownloadActive);
        EXPECT_EQ(w.Session.State.ActiveProgram, kNoProgram);
        EXPECT_TRUE(t.Port.SentTexts().isEmpty());  // no reset request: the download is not taken up again
        EXPECT_TRUE(t.Prompts.Warnings.isEmpty());
    }
}

// The port goes while the program-file dialog is open: the board is forgotten and the download button hidden,
// so the file chosen starts nothing, and the reopen leaves no download running without its Abort button.
TEST(PortLoss, AFileChosenWhileThePortWentStartsNoDownload) {
    TestWindow t;
    t.Running(kLineCardApp);
    GuiMain& w = t.Window;
    t.Prompts.FileAnswers.push_back(QStringLiteral("/tmp/program.hex"));
    t.Prompts.WhileChoosingFile = [&] { t.Port.Lose(); };
    w.DownloadButton_Click();
    EXPECT_FALSE(w.Session.Download.State.DownloadActive);
    EXPECT_TRUE(w.CommPortSelect->isEnabled());
    EXPECT_TRUE(w.DownloadButton->isHidden());
    EXPECT_TRUE(w.Session.ReopenTimer.isActive());
    t.Port.ClearSends();
    w.Session.ReopenTimer_Timer();
    ASSERT_TRUE(t.Port.IsOpen());
    EXPECT_FALSE(w.Session.Download.State.DownloadActive);
    EXPECT_EQ(w.ProgramText->text(), QStringLiteral("UNKNOWN"));
    t.Ticks(10);
    EXPECT_EQ(t.Port.SentTexts(), QStringList({"cpu\r\n"}));  // polling, and no reset request
    EXPECT_TRUE(t.Prompts.Warnings.isEmpty());
}

// The adapter comes back as another tty: the tooltip names that one, and the board, perhaps restarted, is
// asked again for the detailed output the log is kept for.
TEST(PortLoss, AReopenShowsTheDeviceOpenedAndRaisesTheDebugLevelAgainWhileLogging) {
    QTemporaryDir folder;
    TestWindow t;
    t.Port.Devices[1] = {DeviceIdentity::Kind::ById, QStringLiteral("/dev/serial/by-id/usb-FTDI_A-if00")};
    t.Connected();
    GuiMain& w = t.Window;
    t.Prompts.FileAnswers.push_back(folder.filePath(QStringLiteral("night.log")));
    w.LoggingButton_Click();
    ASSERT_TRUE(w.Session.State.LoggingActive);
    t.Port.Lose();
    t.Port.Ports[3] = {OpenStatus::Opened, {}};
    t.Port.Devices[3] = t.Port.Devices[1];
    t.Port.Devices.erase(1);
    t.Port.ClearSends();
    w.Session.ReopenTimer_Timer();
    ASSERT_TRUE(t.Port.IsOpen());
    EXPECT_EQ(w.CommPortSelect->currentText(), QStringLiteral("COM1"));
    EXPECT_EQ(w.CommPortSelect->toolTip(), QStringLiteral("/dev/fake3"));
    EXPECT_EQ(t.Port.SentTexts(), QStringList({"debug 80\r\n"}));
}

// Where the device could not be told from the next one to appear, the engineer chooses the port again.
TEST(PortLoss, ADeviceThatCannotBeFoundAgainIsNotAwaitedAndTheNoticeSaysWhy) {
    const struct {
        DeviceIdentity::Kind Kind;
        const char* Notice;
    } kCases[] = {
        {DeviceIdentity::Kind::Pty, "COM1 is no longer available. Reconnect it, then choose it again."},
        {DeviceIdentity::Kind::Unknown,
         "COM1 is no longer available. Its adapter has no serial number and its USB port is unknown, so "
         "another adapter of the same kind could be taken for it: reconnect it, then choose it again."},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.Notice);
        TestWindow t;
        t.Port.Devices[1] = {c.Kind, QStringLiteral("/dev/fake1")};
        t.Connected();
        GuiMain& w = t.Window;
        w.Session.Clock = [] { return QDateTime(QDate(2026, 12, 8), QTime(2, 13, 5)); };
        t.Port.Lose();
        EXPECT_FALSE(w.Session.ReopenTimer.isActive());
        EXPECT_EQ(w.CommPortSelect->currentIndex(), 0);
        EXPECT_EQ(t.Prompts.Notices,
                  QStringList{QString::fromLatin1(c.Notice) + "\n\nCOM1 lost 2026-12-08 02:13:05"});
    }
}

TEST(PortLoss, APortThatComesAndGoesAllNightListsTheLatestTenLosses) {
    TestWindow t;
    t.Connected();
    GuiMain& w = t.Window;
    int clockReads = 0;
    w.Session.Clock = [&] { return QDateTime(QDate(2026, 12, 8), QTime(0, 0)).addSecs(60 * clockReads++); };
    for (int loss = 0; loss < 12; ++loss) {
        t.Port.Lose();
        w.Session.ReopenTimer_Timer();
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

// Device nodes, udev's links and the sysfs entries of USB adapters, staged in a tree of the test's own as the
// system makes them when adapters come and go.
class DeviceTree {
  public:
    DeviceTree() {
        for (const char* folder : {"dev/serial/by-id", "dev/pts", "sys/class/tty"}) {
            QDir(root_.path()).mkpath(QString::fromLatin1(folder));
        }
    }
    QString Path(const QString& name) const { return QFileInfo(root_.filePath(name)).absoluteFilePath(); }
    QString Node(const QString& name) const { return QFileInfo(Path(name)).canonicalFilePath(); }
    DeviceScan Scan() const {
        return {Path("dev"), Path("sys"), [this] { return Listed; }};
    }
    void Plug(const QString& node) const { QFile(Path(node)).open(QIODevice::WriteOnly); }
    void Remove(const QString& name) const { QFile::remove(Path(name)); }
    // Replaces the link in one step, as udev does.
    bool Link(const QString& name, const QString& target) const {
        const QString next = Path(name) + QStringLiteral(".next");
        QFile::remove(next);
        return QFile::link(Path(target), next) && std::rename(QFile::encodeName(next).constData(),
                                                              QFile::encodeName(Path(name)).constData()) == 0;
    }
    // An adapter without serial number on a USB port such as 1-1.2, its tty hanging on the port's interface.
    void PlugUsb(const QString& tty, const QString& port) {
        const QString usbDevice = QStringLiteral("sys/devices/pci0000:00/usb1/1-1/%1").arg(port);
        const QString ttyDevice = QStringLiteral("%1/%2:1.0/%3").arg(usbDevice, port, tty);
        QDir(root_.path()).mkpath(ttyDevice);
        WriteFile(usbDevice + QStringLiteral("/idVendor"), "067b\n");
        WriteFile(usbDevice + QStringLiteral("/idProduct"), "2303\n");
        QDir(root_.path()).mkpath(QStringLiteral("sys/class/tty/") + tty);
        QFile::link(Path(ttyDevice), Path(QStringLiteral("sys/class/tty/%1/device").arg(tty)));
        Plug(QStringLiteral("dev/") + tty);
        Listed << ListedDevice{Path(QStringLiteral("dev/") + tty), {}, 0x067b, 0x2303, true};
    }
    void UnplugUsb(const QString& tty, const QString& port) {
        QDir(Path(QStringLiteral("sys/devices/pci0000:00/usb1/1-1/") + port)).removeRecursively();
        QDir(Path(QStringLiteral("sys/class/tty/") + tty)).removeRecursively();
        Remove(QStringLiteral("dev/") + tty);
        Listed.removeIf([&](const ListedDevice& device) { return device.Path.endsWith(u'/' + tty); });
    }

    QList<ListedDevice> Listed;

  private:
    void WriteFile(const QString& name, const QByteArray& content) const {
        QFile file(Path(name));
        file.open(QIODevice::WriteOnly);
        file.write(content);
    }

    QTemporaryDir root_;
};

TEST(PortDevice, TheSameAdapterIsFoundUnderAnyNameAndAnotherOneNever) {
    DeviceTree tree;
    const DeviceScan scan = tree.Scan();

    // By-id link of an adapter with a serial number: it keeps its name when its tty changes.
    tree.Plug("dev/ttyUSB0");
    tree.Listed = {{tree.Path("dev/ttyUSB0"), QStringLiteral("A"), 0x0403, 0x6001, true}};
    ASSERT_TRUE(tree.Link("dev/serial/by-id/usb-FTDI_A-if00", "dev/ttyUSB0"));
    const DeviceIdentity byId = IdentifyDevice(tree.Path("dev/ttyUSB0"), scan);
    EXPECT_EQ(byId,
              (DeviceIdentity{DeviceIdentity::Kind::ById, tree.Path("dev/serial/by-id/usb-FTDI_A-if00")}));
    tree.Remove("dev/ttyUSB0");
    EXPECT_EQ(LocateDevice(byId, scan), QString());  // unplugged: the link dangles
    tree.Plug("dev/ttyUSB0");
    tree.Remove("dev/serial/by-id/usb-FTDI_A-if00");
    ASSERT_TRUE(tree.Link("dev/serial/by-id/usb-FTDI_B-if00", "dev/ttyUSB0"));
    EXPECT_EQ(LocateDevice(byId, scan), QString());  // another adapter on the same tty
    tree.Plug("dev/ttyUSB1");
    ASSERT_TRUE(tree.Link("dev/serial/by-id/usb-FTDI_A-if00", "dev/ttyUSB1"));
    EXPECT_EQ(LocateDevice(byId, scan), tree.Node("dev/ttyUSB1"));

    // No by-id link: the USB serial number with the vendor and product ids; none of the three alone will do.
    tree.Listed = {{tree.Path("dev/ttyUSB2"), QStringLiteral("A123"), 0x0403, 0x6001, true}};
    tree.Plug("dev/ttyUSB2");
    const DeviceIdentity usb = IdentifyDevice(tree.Path("dev/ttyUSB2"), scan);
    EXPECT_EQ(usb, (DeviceIdentity{DeviceIdentity::Kind::UsbSerial, QStringLiteral("A123"), 0x0403, 0x6001}));
    tree.Listed = {{tree.Path("dev/ttyUSB2"), QStringLiteral("B999"), 0x0403, 0x6001, true},
                   {tree.Path("dev/ttyUSB3"), QStringLiteral("A123"), 0x067b, 0x2303, true}};
    EXPECT_EQ(LocateDevice(usb, scan), QString());
    tree.Listed << ListedDevice{tree.Path("dev/ttyUSB4"), QStringLiteral("A123"), 0x0403, 0x6001, true};
    EXPECT_EQ(LocateDevice(usb, scan), tree.Path("dev/ttyUSB4"));

    // Neither, and no USB: a real device behind a path of the engineer's is known by that path.
    tree.Listed.clear();
    tree.Plug("dev/ttyS0");
    ASSERT_TRUE(tree.Link("com1", "dev/ttyS0"));
    const DeviceIdentity path = IdentifyDevice(tree.Path("com1"), scan);
    EXPECT_EQ(path.By, DeviceIdentity::Kind::Path);
    EXPECT_EQ(path.Name, tree.Path("com1"));
    tree.Remove("dev/ttyS0");
    tree.Plug("dev/ttyS1");
    EXPECT_EQ(LocateDevice(path, scan), QString());  // another device appeared
    tree.Plug("dev/ttyS0");
    EXPECT_EQ(LocateDevice(path, scan), tree.Path("com1"));

    // A pty at its own path: the next terminal opened takes its number.
    tree.Plug("dev/pts/0");
    const DeviceIdentity pty = IdentifyDevice(tree.Path("dev/pts/0"), scan);
    EXPECT_EQ(pty, (DeviceIdentity{DeviceIdentity::Kind::Pty, tree.Path("dev/pts/0")}));
    EXPECT_EQ(LocateDevice(pty, scan), QString());
}

// Two adapters of one model without serial numbers get the same by-id name, which follows the one plugged
// last.
TEST(PortDevice, AnAdapterWithoutSerialNumberIsKnownByItsUsbPort) {
    DeviceTree tree;
    const DeviceScan scan = tree.Scan();
    tree.PlugUsb("ttyUSB0", "1-1.2");
    tree.PlugUsb("ttyUSB1", "1-1.3");
    ASSERT_TRUE(tree.Link("dev/serial/by-id/usb-Prolific_PL2303-if00-port0", "dev/ttyUSB0"));
    const DeviceIdentity a =
        IdentifyDevice(tree.Path("dev/serial/by-id/usb-Prolific_PL2303-if00-port0"), scan);
    EXPECT_EQ(a,
              (DeviceIdentity{DeviceIdentity::Kind::UsbPort, QStringLiteral("1-1.2:1.0"), 0x067b, 0x2303}));

    tree.UnplugUsb("ttyUSB0", "1-1.2");
    ASSERT_TRUE(tree.Link("dev/serial/by-id/usb-Prolific_PL2303-if00-port0", "dev/ttyUSB1"));
    EXPECT_EQ(LocateDevice(a, scan), QString());  // the name moved to B's adapter
    tree.PlugUsb("ttyUSB2", "1-1.2");
    EXPECT_EQ(LocateDevice(a, scan), tree.Path("dev/ttyUSB2"));  // back in its own USB port

    // Where the system shows no USB port, an adapter without serial number could be any of its model.
    const DeviceScan noSysfs{tree.Path("dev"), tree.Path("no-sys"), [&] { return tree.Listed; }};
    const DeviceIdentity unknown = IdentifyDevice(tree.Path("dev/ttyUSB1"), noSysfs);
    EXPECT_EQ(unknown.By, DeviceIdentity::Kind::Unknown);
    EXPECT_EQ(LocateDevice(unknown, noSysfs), QString());
}

// As socat and pty bridges make them: the bridge's pty goes, and its link stays until the bridge makes it
// anew.
TEST(PortDevice, ALinkToAPtyLeadsOnlyToThePtyItIsMadeAnewFor) {
    DeviceTree tree;
    const DeviceScan scan = tree.Scan();
    tree.Plug("dev/pts/5");
    ASSERT_TRUE(tree.Link("com1", "dev/pts/5"));
    const DeviceIdentity link = IdentifyDevice(tree.Path("com1"), scan);
    EXPECT_EQ(link.By, DeviceIdentity::Kind::Path);
    EXPECT_EQ(link.Node, tree.Node("dev/pts/5"));

    tree.Remove("dev/pts/5");
    EXPECT_EQ(LocateDevice(link, scan), QString());  // dangling
    tree.Plug("dev/pts/5");
    EXPECT_EQ(LocateDevice(link, scan), QString());  // the next terminal opened, a shell's perhaps
    ASSERT_TRUE(tree.Link("com1", "dev/pts/5"));
    EXPECT_EQ(LocateDevice(link, scan), tree.Path("com1"));  // the bridge made its link anew
}
