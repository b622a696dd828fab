#include "app/GuiMain.h"

// stubs: device settings
bool GuiMain::ParseEepromReply(const QString&) { return true; }
bool GuiMain::SfdText_KeyPress(int&) { return true; }
void GuiMain::SfdText_Change() {}
void GuiMain::SfdButton_Click() {}
void GuiMain::GenericSelect_Click() {}
void GuiMain::GenericButton_Click() {}
void GuiMain::V35Select_Click() {}
void GuiMain::V35Button_Click() {}
