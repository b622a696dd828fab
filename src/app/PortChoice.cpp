#include "app/GuiMain.h"
#include "link/ComPorts.h"
#include "link/OpenFailure.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace {

const QString kDisconnect = QStringLiteral("DISCONNECT");

}  // namespace

void GuiMain::BuildPortList() {
    // Rebuilding the list is no choice of the engineer's: no port change runs for it.
    const QSignalBlocker quiet(CommPortSelect);
    CommPortSelect->clear();
    CommPortSelect->addItem(kDisconnect);
    for (int comNumber = kFirstComPort; comNumber <= kLastComPort; ++comNumber) {
        SerialPort& port = Session.Port;
        port.SetPortNumber(comNumber);
        const OpenResult result = port.Open();
        if (result.Status == OpenStatus::Opened) {
            port.Close();
        }
        // A port held by another program or closed to this user is offered too: choosing it then tells the
        // engineer why it won't open and what to do.
        if (result.Status == OpenStatus::Opened || result.Status == OpenStatus::Busy ||
            result.Status == OpenStatus::Denied) {
            CommPortSelect->addItem(QStringLiteral("COM%1").arg(comNumber), comNumber);
            CommPortSelect->setItemData(CommPortSelect->count() - 1, port.DevicePath(comNumber),
                                        Qt::ToolTipRole);
        }
    }
    CommPortSelect->setCurrentIndex(-1);
    SetPortInEffect(CommPortSelect->currentIndex());
}

void GuiMain::CommPortSelect_Click() {
    // Any choice ends the wait for a lost port, the return to DISCONNECT after a failed open included, which
    // goes no further than the next step.
    Session.ReopenTimer.stop();
    const int selected = CommPortSelect->currentIndex();
    if (selected == PortListIndex) {
        return;
    }
    ForgetPort();
    if (selected == 0) {
        SetPortInEffect(0);
        return;
    }
    if (selected < 0) {
        return;
    }
    const OpenResult result = Session.OpenPort(CommPortSelect->itemData(selected).toInt());
    if (result.Status != OpenStatus::Opened) {
        // The device as listed: the one the engineer chose, even if it has gone since.
        Dialog.Warn(OpenFailureWarning(result, CommPortSelect->itemData(selected, Qt::ToolTipRole).toString()));
        ReturnToDisconnect();
        return;
    }
    PortOpened(selected, result.Device);
}

// The entry whose port has just opened is in effect, and its tooltip shows the device opened.
void GuiMain::PortOpened(int position, const QString& device) {
    SetPortInEffect(position);
    CommPortSelect->setToolTip(device);
}

// The session knows the port in effect by its entry's name; no entry (-1) or "DISCONNECT" (0) is none.
void GuiMain::SetPortInEffect(int position) {
    PortListIndex = static_cast<std::int16_t>(position);
    if (position > 0) {
        Session.PortOpened(CommPortSelect->itemText(position));
    } else {
        Session.NoPortInEffect();
    }
}

void GuiMain::ForgetPort() {
    CommPortSelect->setToolTip(QString());
    Session.ForgetPort();
}

// Selecting "DISCONNECT" once PortListIndex is 0 runs the click handler, which then finds nothing to do.
void GuiMain::ReturnToDisconnect() {
    SetPortInEffect(0);
    CommPortSelect->setCurrentIndex(0);
}

bool GuiMain::ChoosingAnotherPort() const {
    return CommPortSelect->currentIndex() != PortListIndex;
}

// Not a modal box: nothing may wait for a click while the port can come back. A device that is not awaited
// leaves no port in effect.
void GuiMain::PortLost(const QString& notice, bool awaited) {
    CommPortSelect->setToolTip(QString());
    if (!awaited) {
        ReturnToDisconnect();
    }
    Dialog.Notify(notice);
}

void GuiMain::PortBack(const QString& device, const QString& notice) {
    CommPortSelect->setToolTip(device);
    Dialog.Notify(notice);
}
