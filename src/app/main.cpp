#include "app/GuiMain.h"
#include "app/Prompts.h"
#include "link/QtSerialPort.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QtSerialPort port;
    QtPrompts prompts;
    GuiMain window(port, prompts);
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
