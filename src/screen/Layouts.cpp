#include "app/GuiMain.h"

// stubs: layouts and status colouring
void GuiMain::ApplyLayout(std::int32_t) {}
void GuiMain::OpStateText_Change() {}
void GuiMain::RssiText_Change() {}
void GuiMain::SfdLossText_Change() {}
void GuiMain::TemperatureText_Change() {}
