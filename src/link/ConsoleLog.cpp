#include "app/GuiMain.h"

void GuiMain::LoggingButton_Click() {}  // stub: console log

void GuiMain::AppendToLog(const QString&) {}  // stub
