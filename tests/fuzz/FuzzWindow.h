#pragma once

#include "TestWindow.h"

#include <QApplication>

// One window on a fake port for the whole fuzzing run; each input starts from a connected, idle window.
inline TestWindow& FuzzWindow() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    static TestWindow* window = [] {
        auto* created = new TestWindow;
        created->Connected();
        return created;
    }();
    (void)app;
    return *window;
}
