#include "app/GuiMain.h"

// stubs: reply interpreters and the CPE status store
QString OpStateName(quint8) { return {}; }
QString HookStateName(quint8) { return {}; }
QString RingStateName(quint8) { return {}; }
bool GuiMain::ParseVersionReply(const QString&) { return true; }
bool GuiMain::ParseSignalStrength(const QString&) { return true; }
bool GuiMain::ParseSwitchSettings(const QString&) { return true; }
bool GuiMain::ParseSfdLossCount(const QString&) { return true; }
bool GuiMain::ParseOpStatus(const QString&) { return true; }
bool GuiMain::ParseHookState(const QString&) { return true; }
bool GuiMain::ParseRingState(const QString&) { return true; }
bool GuiMain::ParseTemperature(const QString&) { return true; }
bool GuiMain::ResetCpeStatus(int) { return true; }
void GuiMain::ShowCpeStatus() {}
void GuiMain::CpeSelect_Click() {}
