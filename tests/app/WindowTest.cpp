#include "Pty.h"
#include "TestWindow.h"
#include "app/TerminalView.h"
#ifdef Q_OS_UNIX
#include "signals/StopSignals.h"
#endif

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

namespace {

struct Control {
    const char* Name;
    const char* Kind;
    QString Text;  // caption, title or field text as created
    QRect Twips;
};

const Control kInventory[] = {
    {"GUI_Tabs", "QTabWidget", "", {120, 120, 6735, 4095}},
    {"CommPortLabel", "QLabel", "Comm Port Selection:", {120, 4440, 1692, 252}},
    {"CommPortSelect", "QComboBox", "", {1800, 4440, 1692, 288}},
    {"ProgramLabel", "QLabel", "Active Program:", {120, 4920, 1692, 252}},
    {"ProgramText", "QLineEdit", "", {1800, 4920, 1692, 288}},
    {"ExitButton", "QPushButton", "Exit", {4680, 4560, 1092, 492}},
    {"SoftwareConfig", "QGroupBox", "Software and Firmware Versions", {240, 360, 6252, 1452}},
    {"SoftwareLabel", "QLabel", "Software Versions:", {120, 360, 1452, 252}},
    {"BootLoaderText", "QLineEdit", "", {1800, 360, 1812, 288}},
    {"ApplicationText", "QLineEdit", "", {3960, 360, 1812, 288}},
    {"FirmwareLabel", "QLabel", "Firmware Version:", {120, 840, 1452, 252}},
    {"FirmwareText", "QLineEdit", "", {1800, 840, 1812, 288}},
    {"DownloadButton", "QPushButton", "Program Download", {4320, 840, 1092, 492}},
    {"OpConfig", "QGroupBox", "Operational Configuration", {240, 1920, 6252, 2052}},
    {"FrequencyLabel", "QLabel", "RF Channel:", {120, 360, 1092, 252}},
    {"FrequencyText", "QLineEdit", "", {1080, 360, 492, 288}},
    {"CdmaLabel", "QLabel", "CDMA Code:", {2040, 360, 1092, 252}},
    {"CdmaText", "QLineEdit", "", {3120, 360, 492, 288}},
    {"TimeSlotLabel", "QLabel", "Time Slot:", {4080, 360, 972, 252}},
    {"TimeSlotText", "QLineEdit", "", {4920, 360, 492, 288}},
    {"SfdLabel", "QLabel", "SFD:", {120, 960, 972, 252}},
    {"SfdText", "QLineEdit", "", {600, 960, 732, 288}},
    {"SfdButton", "QPushButton", "Update SFD", {1560, 840, 1092, 492}},
    {"V35Label", "QLabel", "V35:", {3360, 960, 852, 252}},
    {"V35Select", "QComboBox", "", {3840, 960, 1812, 315}},
    {"V35Button", "QPushButton", "Update V35", {5040, 1440, 1092, 492}},
    {"GenericLabel", "QLabel", "Generic:", {120, 1560, 1332, 252}},
    {"GenericSelect", "QComboBox", "", {1080, 1560, 1932, 315}},
    {"GenericButton", "QPushButton", "Update Generic", {3120, 1440, 1092, 492}},
    {"DownloadStatus", "QLineEdit", "", {5760, 1200, 495, 285}},
    {"DownloadProgress", "QProgressBar", "", {5760, 1560, 495, 375}},
    {"LocalStatus", "QGroupBox", "Power and Temperature Status", {240, 360, 6252, 732}},
    {"BattVoltLabel", "QLabel", "Battery Voltage:", {120, 360, 1212, 252}},
    {"BattVoltText", "QLineEdit", "", {1560, 360, 852, 288}},
    {"TemperatureLabel", "QLabel", "Temperature (C):", {2880, 360, 1332, 252}},
    {"TemperatureText", "QLineEdit", "??", {4320, 360, 852, 288}},
    {"RemoteStatus", "QGroupBox", "Operational Status", {240, 1200, 6252, 2652}},
    {"OpStateLabel", "QLabel", "Operational State:", {120, 360, 1332, 252}},
    {"OpStateText", "QLineEdit", "", {1560, 360, 1092, 288}},
    {"CpeLabel", "QLabel", "CPE Selection:", {3000, 360, 1212, 252}},
    {"CpeSelect", "QComboBox", "", {4320, 360, 1572, 315}},
    {"RssiLabel", "QLabel", "Signal Strength:", {120, 960, 1212, 252}},
    {"RssiText", "QLineEdit", "", {1560, 960, 1092, 288}},
    {"SfdLossLabel", "QLabel", "SFD Losses:", {3000, 960, 1332, 252}},
    {"SfdLossText", "QLineEdit", "??", {4320, 960, 1572, 288}},
    {"Line1Label", "QLabel", "Line 1 States:", {120, 1560, 1212, 252}},
    {"Line1Hook", "QLineEdit", "", {1560, 1560, 1092, 288}},
    {"Line1Ring", "QLineEdit", "", {3000, 1560, 1092, 288}},
    {"Line2Label", "QLabel", "Line 2 States:", {120, 2160, 1212, 252}},
    {"Line2Hook", "QLineEdit", "", {1560, 2160, 1092, 288}},
    {"Line2Ring", "QLineEdit", "", {3000, 2160, 1092, 288}},
    {"TerminalText", "TerminalView", "", {120, 360, 6492, 3012}},
    {"CommandLineLabel", "QLabel", "Command Line:", {120, 3600, 1575, 255}},
    {"CommandLineText", "QLineEdit", "", {1320, 3600, 2412, 330}},
    {"CommandLineButton", "QPushButton", "Send Command", {3960, 3480, 1092, 492}},
    {"LoggingButton", "QPushButton", "Activate Logging", {5400, 3480, 1092, 492}},
};

QString TextOf(const QWidget* widget) {
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        return label->text();
    }
    if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
        return button->text();
    }
    if (const auto* frame = qobject_cast<const QGroupBox*>(widget)) {
        return frame->title();
    }
    if (const auto* field = qobject_cast<const QLineEdit*>(widget)) {
        return field->text();
    }
    return {};
}

QStringList EntriesOf(const QComboBox* list) {
    QStringList entries;
    for (int index = 0; index < list->count(); ++index) {
        entries << list->itemText(index);
    }
    return entries;
}

QRect Pixels(const QRect& twips) {
    return {twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15};
}

}  // namespace

TEST(Window, InventoryAsCreated) {
    TestWindow t;
    GuiMain& w = t.Window;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Velmora GUI 1.08"));
    EXPECT_EQ(w.size(), QSize(467, 357));
    for (const Control& expected : kInventory) {
        SCOPED_TRACE(expected.Name);
        auto* control = w.findChild<QWidget*>(QString::fromLatin1(expected.Name));
        ASSERT_NE(control, nullptr);
        EXPECT_STREQ(control->metaObject()->className(), expected.Kind);
        EXPECT_EQ(TextOf(control), expected.Text);
        EXPECT_EQ(control->isHidden(), QByteArray(expected.Name) == "DownloadProgress");
    }
    EXPECT_EQ(w.GUI_Tabs->count(), 3);
    EXPECT_EQ(w.GUI_Tabs->tabText(0), QStringLiteral("Configuration"));
    EXPECT_EQ(w.GUI_Tabs->tabText(1), QStringLiteral("Status"));
    EXPECT_EQ(w.GUI_Tabs->tabText(2), QStringLiteral("Terminal"));
    EXPECT_EQ(w.GUI_Tabs->currentIndex(), 0);
    EXPECT_EQ(EntriesOf(w.CommPortSelect), QStringList({"COM1", "COM2", "COM3", "COM4"}));
    EXPECT_EQ(EntriesOf(w.V35Select), QStringList({"DISABLE", "CHANNEL 1", "CHANNEL 2"}));
    EXPECT_EQ(EntriesOf(w.GenericSelect), QStringList({"Less than 25 miles", "Greater than 25 miles"}));
    EXPECT_EQ(EntriesOf(w.CpeSelect), QStringList({"CPE 0", "CPE 1", "CPE 2", "CPE 3"}));
    for (QPushButton* button : {w.SfdButton, w.V35Button, w.GenericButton}) {
        EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
    }
    EXPECT_EQ(w.DownloadProgress->minimum(), 0);
    EXPECT_EQ(w.DownloadProgress->maximum(), 100);
    EXPECT_FALSE(w.SfdText->isReadOnly());
    EXPECT_FALSE(w.CommandLineText->isReadOnly());
    EXPECT_TRUE(w.ProgramText->isReadOnly());
    EXPECT_TRUE(w.TerminalText->isReadOnly());
    EXPECT_TRUE(w.TerminalText->font().fixedPitch());
    EXPECT_EQ(w.TerminalText->font().pointSize(), 9);
    EXPECT_EQ(w.FrequencyText->toolTip(), QStringLiteral("Value defined by Rotary Switch"));
    EXPECT_EQ(w.TimeSlotLabel->toolTip(), QStringLiteral("Value defined by DIP Switch"));
    EXPECT_EQ(w.SfdButton->toolTip(), QStringLiteral("Store new SFD to EEPROM"));
    EXPECT_EQ(w.GenericSelect->toolTip(), QStringLiteral("Value stored in EEPROM"));
    EXPECT_FALSE(w.Session.TransmitTimer.isActive());
}

// Controls on a tab page sit where the inventory puts them relative to the tab control, whatever offset the
// style gives the page; controls in a frame are relative to the frame; the rest relative to the window.
TEST(Window, GeometryMapsFifteenTwipsToAPixel) {
    TestWindow t;
    GuiMain& w = t.Window;
    w.show();
    for (int page = 0; page < w.GUI_Tabs->count(); ++page) {
        w.GUI_Tabs->setCurrentIndex(page);
        QCoreApplication::processEvents();
    }
    for (const Control& expected : kInventory) {
        SCOPED_TRACE(expected.Name);
        auto* control = w.findChild<QWidget*>(QString::fromLatin1(expected.Name));
        QWidget* parent = control->parentWidget();
        const bool onPage = w.GUI_Tabs->indexOf(parent) >= 0;
        const QRect expectedPixels = Pixels(expected.Twips);
        if (onPage) {
            EXPECT_EQ(control->mapTo(w.GUI_Tabs, QPoint(0, 0)), expectedPixels.topLeft());
            EXPECT_EQ(control->size(), expectedPixels.size());
        } else {
            EXPECT_EQ(control->geometry(), expectedPixels);
        }
    }
}

TEST(Window, StartUpListsPortsAndStartsTheSchedulerWithoutSending) {
    TestWindow t;
    t.Port.Ports[2] = {OpenStatus::Opened, {}};
    t.Started();
    EXPECT_TRUE(t.Window.Session.TransmitTimer.isActive());
    EXPECT_EQ(t.Window.Session.TransmitTimer.interval(), 100);
    EXPECT_FALSE(t.Port.IsOpen());
    EXPECT_EQ(EntriesOf(t.Window.CommPortSelect), QStringList({"DISCONNECT", "COM2"}));
    t.Ticks(30);
    EXPECT_TRUE(t.Port.Sends.isEmpty());
}

struct PaintCounter : QObject {
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        Paints += event->type() == QEvent::Paint;
        return false;
    }
};

// The terminal's scroll bar follows every sync, but repaints only when it looks different: repainting it, and
// what lies under it, at every line the board prints cost more than the text.
TEST(Window, TerminalScrollBarRepaintsOnlyWhenItLooksDifferent) {
    TestWindow t;
    t.Connected();
    GuiMain& w = t.Window;
    w.GUI_Tabs->setCurrentIndex(2);
    w.show();
    QScrollBar* bar = w.TerminalText->verticalScrollBar();
    PaintCounter counter;
    bar->installEventFilter(&counter);
    const auto paintsFor = [&](int lines) {
        counter.Paints = 0;
        for (int line = 0; line < lines; ++line) {
            t.Port.ReceiveLater("dbg: frame 4711 slot 2 crc ok agc 37 afc -2 rssi -71\r\n");
            w.SyncTerminalView();
            QCoreApplication::processEvents();
        }
        QCoreApplication::processEvents();
        return counter.Paints;
    };
    paintsFor(5);
    EXPECT_GT(paintsFor(20), 0);  // the handle appears
    paintsFor(300);               // the view full and trimmed, the handle at the end
    EXPECT_EQ(paintsFor(10), 0);
    EXPECT_EQ(bar->value(), bar->maximum());  // the newest line in view
}

// What the window's backing store holds where the control is, against a fresh paint of the whole control.
QImage OnScreen(QWidget* control) {
    QWidget* window = control->window();
    const QImage screen = window->screen()->grabWindow(window->winId()).toImage();
    return screen.copy(QRect(control->mapTo(window, QPoint(0, 0)), control->size()))
        .convertToFormat(QImage::Format_RGB32);
}

QImage Rendered(QWidget* control) {
    return control->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A click on the bar's arrow or page area repaints only the part pressed, yet moves the handle: the screen
// then shows the whole bar as it now is.
TEST(Window, TerminalScrollBarOnScreenMatchesItsStateAfterAClick) {
    for (const auto& [part, heightShare] :
         {std::pair{"UpArrow", 0.0}, std::pair{"PageAboveTheHandle", 0.3}}) {
        SCOPED_TRACE(part);
        TestWindow t;
        t.Connected();
        GuiMain& w = t.Window;
        w.GUI_Tabs->setCurrentIndex(2);
        w.show();
        for (int line = 0; line < 100; ++line) {
            t.Line(QStringLiteral("dbg: frame %1 slot 2 crc ok").arg(line));
        }
        w.SyncTerminalView();
        QCoreApplication::processEvents();
        QScrollBar* bar = w.TerminalText->verticalScrollBar();
        const int before = bar->value();
        const QPoint at(bar->width() / 2, std::max(2, static_cast<int>(bar->height() * heightShare)));
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent click(type, at, bar->mapToGlobal(at), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              Qt::NoModifier);
            QCoreApplication::sendEvent(bar, &click);
        }
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        ASSERT_LT(bar->value(), before);
        EXPECT_TRUE(OnScreen(bar) == Rendered(bar));
    }
}

// The view moves the lines still in sight and paints only what changed: the screen then shows what a paint of
// the whole view would, however the edits fall (lines growing over syncs, many lines at once, trimming).
TEST(Window, TerminalViewOnScreenMatchesItsTextAfterEachSync) {
    TestWindow t;
    t.Connected();
    GuiMain& w = t.Window;
    w.GUI_Tabs->setCurrentIndex(2);
    w.show();
    QWidget* view = w.TerminalText->viewport();
    for (int sync = 0; sync < 120; ++sync) {
        if (sync == 60) {
            t.Port.Receive(QByteArray(9000, 'x'));  // from here on every piece trims the view
        }
        for (int line = 0; line < sync % 7; ++line) {
            t.Port.Receive(QByteArray::number(sync * 100 + line).repeated(sync % 13 + 1) + "\r\n");
        }
        t.Port.Receive("partial " + QByteArray::number(sync));
        t.Port.EndGathering();  // the pieces since the last sync come in one read, as the view syncs
        w.SyncTerminalView();
        QCoreApplication::processEvents();
        ASSERT_TRUE(OnScreen(view) == Rendered(view)) << sync;
    }
}

namespace {

// Where a character of the terminal view starts (the text starts 4 pixels in), and a drag with the left
// button.
QPointF At(const TerminalView& view, int line, int column) {
    const int pitch = view.fontMetrics().lineSpacing();
    return {4 + column * QFontMetricsF(view.font()).horizontalAdvance(u'M'), line * pitch + pitch / 2.0};
}

void Drag(TerminalView& view, QPointF from, QPointF to) {
    QWidget* viewport = view.viewport();
    const auto mouse = [&](QEvent::Type type, QPointF point, Qt::MouseButtons buttons) {
        QMouseEvent event(type, point, viewport->mapToGlobal(point), Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &event);
    };
    mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
    mouse(QEvent::MouseMove, to, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, to, Qt::NoButton);
}

void PressCtrl(TerminalView& view, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier);
    QCoreApplication::sendEvent(&view, &press);
}

void ChooseFromContextMenu(TerminalView& view, const QString& entry) {
    QTimer::singleShot(0, [entry] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions()) {
            if (action->text() == entry) {
                action->trigger();
            }
        }
        menu->close();
    });
    const QPoint point(10, 10);
    QContextMenuEvent event(QContextMenuEvent::Mouse, point, view.viewport()->mapToGlobal(point));
    QCoreApplication::sendEvent(view.viewport(), &event);
}

}  // namespace

// Dragging the mouse selects from the character boundary nearest the press to the one nearest the release, on
// lines set out in columns (tabs stop every 8) and on lines with other characters alike, also inside a tab's
// blank; past a line's end means after its CR. Ctrl+C copies the selection, which is painted highlighted.
TEST(Window, TerminalMouseSelectionCopiesTheCharactersDraggedOver) {
    struct Drag {
        const char* Name;
        int FromLine, FromColumn, ToLine, ToColumn;
        QString Selected;
    };
    const Drag drags[] = {
        {"WithinALineWithATab", 0, 1, 0, 10, QStringLiteral("bc\tde")},
        {"FromPastTheEndToTheNextLine", 0, 40, 1, 2, QStringLiteral("\n12")},
        {"ToPastTheEndWithoutTheHalfOfItsLineEnd", 1, 0, 1, 40, QStringLiteral("123")},
        {"BackwardsOverALineOfOtherCharacters", 2, 6, 2, 2, QStringLiteral("f\u00e9 a")},
        {"FromATabsBlankNearItsStart", 0, 5, 0, 10, QStringLiteral("\tde")},
        {"BackwardsToATabsBlankNearItsEnd", 0, 10, 0, 6, QStringLiteral("de")},
        {"FromATabsBlankNearItsStartOnALineOfOtherCharacters", 3, 5, 3, 10, QStringLiteral("\txy")},
        {"BackwardsToATabsBlankNearItsEndOnALineOfOtherCharacters", 3, 10, 3, 6, QStringLiteral("xy")},
    };
    for (const Drag& drag : drags) {
        SCOPED_TRACE(drag.Name);
        TestWindow t;
        t.Connected();
        GuiMain& w = t.Window;
        w.GUI_Tabs->setCurrentIndex(2);
        w.show();
        t.Port.Receive("abc\tdef\r\n123\r\ncaf\xe9 au lait\r\n\xe9t\xe9\txyz\r\n");
        w.SyncTerminalView();
        QWidget* view = w.TerminalText->viewport();
        const QColor highlight = w.TerminalText->palette().color(QPalette::Highlight);
        const auto highlighted = [&] {
            const QImage image = view->grab().toImage();
            int pixels = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    pixels += image.pixelColor(x, y) == highlight;
                }
            }
            return pixels;
        };
        EXPECT_EQ(highlighted(), 0);
        ::Drag(*w.TerminalText, At(*w.TerminalText, drag.FromLine, drag.FromColumn),
               At(*w.TerminalText, drag.ToLine, drag.ToColumn));
        PressCtrl(*w.TerminalText, Qt::Key_C);
        EXPECT_EQ(QApplication::clipboard()->text(), drag.Selected);
        EXPECT_GT(highlighted(), 0);
    }
}

// However it is copied, the clipboard gets the characters received, never what stands in for them on screen:
// CR LF is a plain line end (Qt gives it each platform's own), a lone CR, other control characters and 0x80
// to 0x9F are copied as received, and NULs are left out, since many programs end pasted text at the first
// one.
TEST(Window, TerminalCopyGivesTheReceivedCharacters) {
    struct Way {
        const char* Name;
        QClipboard::Mode Mode;
        void (*Copy)(TerminalView& view);
    };
    const Way ways[] = {
        {"Keys", QClipboard::Clipboard,
         [](TerminalView& view) {
             PressCtrl(view, Qt::Key_A);
             PressCtrl(view, Qt::Key_C);
         }},
        {"ContextMenu", QClipboard::Clipboard,
         [](TerminalView& view) {
             ChooseFromContextMenu(view, QStringLiteral("Select All"));
             ChooseFromContextMenu(view, QStringLiteral("&Copy"));
         }},
        {"MouseSelection", QClipboard::Selection,
         [](TerminalView& view) { Drag(view, At(view, 0, 0), At(view, 2, 40)); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.Name);
        QClipboard* clipboard = QApplication::clipboard();
        if (way.Mode == QClipboard::Selection && !clipboard->supportsSelection()) {
            continue;  // X11 and Wayland only
        }
        TestWindow t;
        t.Connected();
        t.Window.GUI_Tabs->setCurrentIndex(2);
        t.Window.show();
        const char received[] = "ok\r\nlone\rcr\0nul\a\x1b[0m\x7f\x80\x9f\xa0\xe9\tend\r\ntail";
        t.Port.Receive(QByteArray(received, sizeof received - 1));
        t.Window.SyncTerminalView();
        clipboard->clear(way.Mode);
        way.Copy(*t.Window.TerminalText);
        EXPECT_EQ(clipboard->text(way.Mode),
                  QStringLiteral("ok\nlone\rcrnul\a\x1b[0m\x7f\u0080\u009f\u00a0\u00e9\tend\ntail"));
    }
}

TEST(Window, ClosingClosesPortAndFilesAndStopsTimersWithoutSending) {
    TestWindow t;
    t.Connected();
    QFile log(QDir::temp().filePath(QStringLiteral("velmora-close-test.txt")));
    log.remove();
    t.Prompts.FileAnswers.push_back(log.fileName());
    t.Window.LoggingButton_Click();
    t.Port.ClearSends();
    t.Port.Receive("last words\r\n");
    t.Window.Session.DownloadTimer.start(400);
    t.Window.ExitButton_Click();
    EXPECT_FALSE(t.Port.IsOpen());
    EXPECT_FALSE(t.Window.Session.TransmitTimer.isActive());
    EXPECT_FALSE(t.Window.Session.DownloadTimer.isActive());
    EXPECT_FALSE(t.Window.TerminalSyncTimer.isActive());
    EXPECT_EQ(t.Window.TerminalText->toPlainText(), QStringLiteral("last words\r\n"));
    EXPECT_FALSE(t.Window.Session.State.LogFile.isOpen());
    EXPECT_TRUE(t.Port.Sends.isEmpty());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll(), QByteArray("last words\r\n"));
    log.remove();
}

#ifdef Q_OS_UNIX
namespace {
void SomeoneElsesHandler(int) {}
}  // namespace

// SIGTERM and SIGINT take the window's own close path, unless the parent made them ignored; whatever handling
// was found at start is back once nothing listens.
TEST(Window, StopSignalsCloseTheWindowAsExitDoes) {
    struct Row {
        int Signal;
        void (*Found)(int);
        bool Closes;
    };
    for (const Row& row : {Row{SIGTERM, SIG_DFL, true}, Row{SIGINT, SIG_DFL, true},
                           Row{SIGINT, SIG_IGN, false}, Row{SIGTERM, SomeoneElsesHandler, true}}) {
        SCOPED_TRACE(testing::Message() << row.Signal << (row.Found == SIG_IGN ? " ignored" : ""));
        std::signal(row.Signal, row.Found);
        TestWindow t;
        t.Connected();
        t.Port.ClearSends();
        t.Window.show();
        {
            const StopSignals stopSignals([] { QApplication::closeAllWindows(); });
            ASSERT_EQ(std::raise(row.Signal), 0);
            // An ignored signal leaves nothing to wait for: a stop would show at the first event loop pass.
            EXPECT_EQ(WaitFor([&t] { return t.Window.Closed(); }, row.Closes ? 2000 : 200), row.Closes);
        }
        EXPECT_EQ(t.Window.isHidden(), row.Closes);
        EXPECT_EQ(t.Port.IsOpen(), !row.Closes);
        EXPECT_EQ(t.Window.Session.TransmitTimer.isActive(), !row.Closes);
        EXPECT_TRUE(t.Port.Sends.isEmpty());
        struct sigaction current {};
        sigaction(row.Signal, nullptr, &current);
        EXPECT_EQ(current.sa_handler, row.Found);
        std::signal(row.Signal, SIG_DFL);
    }
}
#endif
