#pragma once

#include "FakePrompts.h"
#include "FakeSerialPort.h"
#include "app/GuiMain.h"

// The terminal widget's text once synced: the characters received, as the widget holds them.
QString SyncedViewText(GuiMain& window);

// A window on a fake port with scripted prompts. `Started()` runs the start-up as the tool does.
struct TestWindow {
    FakeSerialPort Port;
    FakePrompts Prompts;
    GuiMain Window{Port, Prompts};

    TestWindow& Started() {
        Window.Form_Load();
        return *this;
    }
    // Start-up, then COM1 chosen and open.
    TestWindow& Connected();
    // Start-up, COM1 open, and the board announced by a banner line: program 1, 2 or 3.
    TestWindow& Running(std::int32_t program);
    // Feeds one line and its CR LF as one piece, after a quiet spell: the gathering interval has ended.
    void Line(const QString& text);
    // Runs n scheduler ticks; each ends the gathering interval, which is shorter.
    void Ticks(int count);
};
