#include "app/GuiMain.h"

void GuiMain::SendCommand(const QString& text) { MSComm1.Send((text + QStringLiteral("\r\n")).toLatin1()); }

void GuiMain::TransmitTimer_Timer() {}  // stub: command scheduler

void GuiMain::CommandLineButton_Click() {}  // stub
