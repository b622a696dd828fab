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
        MSComm1.SetPortNumber(comNumber);
        const OpenResult result = MSComm1.Open();
        if (result.Status == OpenStatus::Opened) {
            MSComm1.Close();
        }
        // A port held by another program or closed to this user is offered too: choosing it then tells the
        // engineer why it won't open and what to do.
        if (result.Status == OpenStatus::Opened || result.Status == OpenStatus::Busy ||
            result.Status == OpenStatus::Denied) {
            CommPortSelect->addItem(QStringLiteral("COM%1").arg(comNumber), comNumber);
            CommPortSelect->setItemData(CommPortSelect->count() - 1, MSComm1.DevicePath(comNumber),
                                        Qt::ToolTipRole);
        }
    }
    CommPortSelect->setCurrentIndex(-1);
    State.PortListIndex = static_cast<std::int16_t>(CommPortSelect->currentIndex());
}

void GuiMain::CommPortSelect_Click() {
    // Any choice ends the wait for a lost port, the return to DISCONNECT after a failed open included, which
    // goes no further than the next step.
    ReopenTimer.stop();
    const int selected = CommPortSelect->currentIndex();
    if (selected == State.PortListIndex) {
        return;
    }
    ForgetPort();
    if (selected == 0) {
        State.PortListIndex = 0;
        return;
    }
    if (selected < 0) {
        return;
    }
    MSComm1.SetPortNumber(CommPortSelect->itemData(selected).toInt());
    const OpenResult result = MSComm1.Open();
    if (result.Status != OpenStatus::Opened) {
        if (MSComm1.IsOpen()) {
            MSComm1.Close();
        }
        // The device as listed: the one the engineer chose, even if it has gone since.
        Dialog.Warn(OpenFailureWarning(result, CommPortSelect->itemData(selected, Qt::ToolTipRole).toString()));
        ReturnToDisconnect();
        return;
    }
    PortOpened(selected, result.Device);
}

// The entry whose port has just opened is in effect, and its tooltip shows the device opened; that device is
// named so that it can be found again if it goes away.
void GuiMain::PortOpened(int position, const QString& device) {
    State.PortListIndex = static_cast<std::int16_t>(position);
    CommPortSelect->setToolTip(device);
    State.PortDevice = MSComm1.Identify();
}

// What a change of port resets: the port, what was known of the board, and its half-received line.
void GuiMain::ForgetPort() {
    if (MSComm1.IsOpen()) {
        MSComm1.Close();
    }
    CommPortSelect->setToolTip(QString());
    ForgetBoard();
}

void GuiMain::ForgetBoard() {
    State.ActiveProgram = kNoProgram;
    ApplyLayout(kNoProgram);
    ClearReceiveBuffer();
}

// Selecting "DISCONNECT" once PortListIndex is 0 runs the click handler, which then finds nothing to do.
void GuiMain::ReturnToDisconnect() {
    State.PortListIndex = 0;
    CommPortSelect->setCurrentIndex(0);
}
