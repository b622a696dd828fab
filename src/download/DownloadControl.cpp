#include "app/GuiMain.h"

// stubs: program download
void GuiMain::DownloadButton_Click() {}
void GuiMain::DownloadTimer_Timer() {}
void GuiMain::EndDownload() {}
void GuiMain::HandleBootLoaderText(const QString&) {}
void GuiMain::SendNextBlock() {}
