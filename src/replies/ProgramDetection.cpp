#include "app/GuiMain.h"

void GuiMain::InterpretReplyLine() {}  // stub: program detection
