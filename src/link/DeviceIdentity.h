#pragma once

#include <QList>
#include <QString>

#include <functional>

// A serial device named as stably as the system allows, so that the same adapter can be found again after it
// was unplugged, even when it comes back under another /dev/ttyUSBn.
struct DeviceIdentity {
    enum class Kind {
        ById,       // Name is its link under /dev/serial/by-id, made for an adapter with a serial number
        UsbSerial,  // Name is its USB serial number, with the vendor and product ids
        UsbPort,    // Name is the USB port it is plugged into (as 1-1.2:1.0), with the vendor and product ids
        Path,       // Name is the path it was opened at: a device that is not USB, or a link to a pty
        Pty,        // a pty opened at its own /dev/pts path: once gone, that names the next terminal opened
        Unknown,  // a USB adapter without serial number on an unknown USB port: another one could pass for it
    };
    Kind By = Kind::Path;
    QString Name;
    quint16 VendorId = 0;
    quint16 ProductId = 0;
    QString Node = {};  // Path: the device node the path led to when it was named
    // Path to a pty: the link itself, which its maker makes anew for a new pty; the old link, left dangling,
    // leads to whatever terminal gets the lost pty's number next.
    QString LinkStamp = {};

    friend bool operator==(const DeviceIdentity&, const DeviceIdentity&) = default;
};

// A serial device as the system lists it.
struct ListedDevice {
    QString Path;
    QString SerialNumber;  // empty when the adapter reports none
    quint16 VendorId = 0;
    quint16 ProductId = 0;
    bool HasUsbIds = false;
};

// What the system shows of its serial devices; replaceable so tests can stage adapters coming and going in a
// tree of their own.
struct DeviceScan {
    QString DevFolder = QStringLiteral("/dev");  // device nodes, /dev/pts and /dev/serial/by-id
    QString SysFolder = QStringLiteral("/sys");  // class/tty and the USB devices the ttys hang on
    std::function<QList<ListedDevice>()> Listed = SystemSerialDevices;

    static QList<ListedDevice> SystemSerialDevices();
};

// Names the device at this path while it is attached.
DeviceIdentity IdentifyDevice(const QString& path, const DeviceScan& scan = {});
// Where that device is now, as a path to open; empty while it is not attached.
QString LocateDevice(const DeviceIdentity& device, const DeviceScan& scan = {});
