#include "app/GuiMain.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>

void GuiMain::CommandLineButton_Click() {
    Session.State.CommandPending = true;
}

QString GuiMain::CommandLine() const {
    return CommandLineText->text();
}

int GuiMain::GenericSettingPosition() const {
    return GenericSelect->currentIndex();
}

int GuiMain::V35SettingPosition() const {
    return V35Select->currentIndex();
}

// Desktop styles may add '&' mnemonics to tab captions; the caption the engineer reads is what counts.
bool GuiMain::ConsoleInView() const {
    QString caption = GUI_Tabs->tabText(GUI_Tabs->currentIndex());
    caption.remove(u'&');
    return caption == QStringLiteral("Terminal");
}
