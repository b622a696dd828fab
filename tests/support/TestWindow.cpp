#include "TestWindow.h"
#include "app/TerminalView.h"

#include <QComboBox>

QString SyncedViewText(GuiMain& window) {
    window.SyncTerminalView();
    return window.TerminalText->toPlainText();
}

TestWindow& TestWindow::Connected() {
    Port.AddPorts(1);
    Started();
    Window.CommPortSelect->setCurrentIndex(1);
    return *this;
}

TestWindow& TestWindow::Running(std::int32_t program) {
    Connected();
    static const QString kBanners[] = {QString(), QStringLiteral("Boot Loader Initialized"),
                                       QStringLiteral("Line Card Application Initialized"),
                                       QStringLiteral("CPE Application Initialized")};
    Line(kBanners[program]);
    return *this;
}

void TestWindow::Line(const QString& text) {
    Port.ReceiveLater(text.toLatin1() + "\r\n");
}

void TestWindow::Ticks(int count) {
    for (int tick = 0; tick < count; ++tick) {
        Port.EndGathering();  // a tick is longer than the gathering interval
        Window.Session.Tick();
    }
}
