#include "FakePrompts.h"
#include "Pty.h"
#include "app/GuiMain.h"
#include "link/QtSerialPort.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace {

constexpr int kEverything = 1 << 20;

QByteArray Repeated(const QByteArray& line, int times) {
    QByteArray all;
    for (int count = 0; count < times; ++count) {
        all += line;
    }
    return all;
}

}  // namespace

// The real timer and serial adapter against a board played on a pseudo-terminal: what the board sees, and
// when.
TEST(SchedulerOverPty, BoardSeesCpuThenThePollCycleThenHelpAsItAnnouncesItsPrograms) {
    Pty pty;
    qputenv("VELMORA_COM1", pty.SlavePath().toLocal8Bit());
    QtSerialPort port;
    FakePrompts prompts;
    GuiMain window(port, prompts);
    window.Form_Load();
    window.CommPortSelect->setCurrentIndex(1);
    qunsetenv("VELMORA_COM1");
    ASSERT_TRUE(port.IsOpen()) << prompts.Warnings.join(u' ').toStdString();

    // Once a second while nothing is known; measured from one "cpu" so the timer's phase does not matter.
    ASSERT_EQ(pty.Read(5, 1500), QByteArray("cpu\r\n"));
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(pty.Read(10, 2500), Repeated("cpu\r\n", 2));
    EXPECT_GT(clock.elapsed(), 1800);

    pty.Write("Line Card Application Initialized\r\n");
    ASSERT_TRUE(WaitFor([&] { return window.ProgramText->text() == QStringLiteral("LINE CARD APP"); }, 1000));
    EXPECT_EQ(window.ProgramText->palette().color(QPalette::Base), QColor(0, 255, 0));
    EXPECT_FALSE(window.OpStateText->isHidden());
    EXPECT_FALSE(window.CpeSelect->isHidden());
    // The first poll commands come 1.9 s after the banner, the one-time reads a second later.
    EXPECT_EQ(pty.Read(kEverything, 1500), QByteArray());
    EXPECT_EQ(pty.Read(kEverything, 1000), QByteArray("rdm ff28 4\r\nrdm ff12 8\r\n"));
    EXPECT_EQ(pty.Read(kEverything, 1000), QByteArray("ree 0\r\nree 4\r\nbattery\r\ntemperature\r\n"));

    pty.Write("Boot Loader Initialized\r\n");
    ASSERT_TRUE(WaitFor([&] { return window.ProgramText->text() == QStringLiteral("BOOT LOADER"); }, 1000));
    EXPECT_EQ(window.ProgramText->palette().color(QPalette::Base), QColor(255, 255, 0));
    ASSERT_EQ(pty.Read(6, 1500), QByteArray("help\r\n"));
    EXPECT_EQ(pty.Read(6, 1500), QByteArray("help\r\n"));
}
