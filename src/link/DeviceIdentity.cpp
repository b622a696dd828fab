#include "link/DeviceIdentity.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>

namespace {

// The device node a path leads to, links followed; empty when there is none.
QString DeviceNode(const QString& path) {
    return QFileInfo(path).canonicalFilePath();
}

bool SameDevice(const QString& listedPath, const QString& path) {
    if (listedPath == path) {
        return true;
    }
    const QString node = DeviceNode(path);
    return !node.isEmpty() && DeviceNode(listedPath) == node;
}

QString ByIdLinkTo(const QString& node, const QString& folder) {
    // System: links to device nodes, and links whose device has gone.
    const QFileInfoList links =
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    const auto link = std::find_if(links.cbegin(), links.cend(), [&node](const QFileInfo& entry) {
        return entry.canonicalFilePath() == node;
    });
    return link == links.cend() ? QString() : link->absoluteFilePath();
}

bool PathAttached(const QString& path, const DeviceScan& scan) {
#ifdef Q_OS_WIN
    const QList<ListedDevice> listed = scan.Listed();
    return std::any_of(listed.cbegin(), listed.cend(),
                       [&path](const ListedDevice& device) { return device.Path == path; });
#else
    Q_UNUSED(scan);
    return QFileInfo::exists(path);
#endif
}

}  // namespace

QList<ListedDevice> DeviceScan::SystemSerialDevices() {
    QList<ListedDevice> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        const QString path = info.portName();  // "COMn", as the port is opened there
#else
        const QString path = info.systemLocation();
#endif
        devices << ListedDevice{path, info.serialNumber(), info.vendorIdentifier(), info.productIdentifier(),
                                info.hasVendorIdentifier() && info.hasProductIdentifier()};
    }
    return devices;
}

// A by-id link, where udev made one, names the adapter whatever its tty is called; the USB serial number does
// the same where there is no udev. Without either, an adapter cannot be told from another one on its path. A
// pty never comes back: the number of a closed one goes to the next terminal opened, a shell's or another
// program's, which must never be sent polls. A link to a pty, as a by-id link, goes when its pty goes.
DeviceIdentity IdentifyDevice(const QString& path, const DeviceScan& scan) {
    if (path.startsWith(QStringLiteral("/dev/pts/"))) {
        return {DeviceIdentity::Kind::None, path};
    }
    const QString node = DeviceNode(path);
    if (!node.isEmpty()) {
        if (QString link = ByIdLinkTo(node, scan.ByIdFolder); !link.isEmpty()) {
            return {DeviceIdentity::Kind::ById, link};
        }
    }
    for (const ListedDevice& device : scan.Listed()) {
        if (!device.SerialNumber.isEmpty() && device.HasUsbIds && SameDevice(device.Path, path)) {
            return {DeviceIdentity::Kind::UsbSerial, device.SerialNumber, device.VendorId, device.ProductId};
        }
    }
    return {DeviceIdentity::Kind::Path, path};
}

QString LocateDevice(const DeviceIdentity& device, const DeviceScan& scan) {
    switch (device.By) {
        case DeviceIdentity::Kind::ById:
            // The node itself is opened, so the port's lock file is the one other programs look for.
            return DeviceNode(device.Name);
        case DeviceIdentity::Kind::UsbSerial: {
            const QList<ListedDevice> listed = scan.Listed();
            const auto same =
                std::find_if(listed.cbegin(), listed.cend(), [&device](const ListedDevice& other) {
                    return other.HasUsbIds && other.SerialNumber == device.Name &&
                           other.VendorId == device.VendorId && other.ProductId == device.ProductId;
                });
            return same == listed.cend() ? QString() : same->Path;
        }
        case DeviceIdentity::Kind::Path:
            return PathAttached(device.Name, scan) ? device.Name : QString();
        case DeviceIdentity::Kind::None:
            return {};
    }
    return {};
}
