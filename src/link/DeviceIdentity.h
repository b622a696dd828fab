#pragma once

#include <QList>
#include <QString>

#include <functional>

// A serial device named as stably as the system allows, so that the same adapter can be found again after it
// was unplugged, even when it comes back under another /dev/ttyUSBn.
struct DeviceIdentity {
    enum class Kind {
        ById,       // Name is its link under /dev/serial/by-id
        UsbSerial,  // Name is its USB serial number, with the vendor and product ids
        Path,       // Name is the path it was opened at (VELMORA_COMn paths, links to ptys): nothing better
        None,       // a pty opened at its own /dev/pts path: once gone, that names the next terminal opened
    };
    Kind By = Kind::Path;
    QString Name;
    quint16 VendorId = 0;
    quint16 ProductId = 0;

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

// What the system shows of its serial devices; replaceable so tests can stage adapters coming and going.
struct DeviceScan {
    QString ByIdFolder = QStringLiteral("/dev/serial/by-id");
    std::function<QList<ListedDevice>()> Listed = SystemSerialDevices;

    static QList<ListedDevice> SystemSerialDevices();
};

// Names the device at this path while it is attached.
DeviceIdentity IdentifyDevice(const QString& path, const DeviceScan& scan = {});
// Where that device is now, as a path to open; empty while it is not attached.
QString LocateDevice(const DeviceIdentity& device, const DeviceScan& scan = {});
