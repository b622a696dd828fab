#include "link/DeviceIdentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>

#include <algorithm>
#include <optional>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

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

bool IsPty(const QString& node, const DeviceScan& scan) {
    const QString ptys = DeviceNode(scan.DevFolder + QStringLiteral("/pts"));
    return !node.isEmpty() && !ptys.isEmpty() && node.startsWith(ptys + u'/');
}

std::optional<ListedDevice> ListedAs(const QString& path, const DeviceScan& scan) {
    const QList<ListedDevice> listed = scan.Listed();
    const auto device = std::find_if(listed.cbegin(), listed.cend(), [&path](const ListedDevice& candidate) {
        return SameDevice(candidate.Path, path);
    });
    return device == listed.cend() ? std::nullopt : std::optional<ListedDevice>(*device);
}

QString ByIdLinkTo(const QString& node, const DeviceScan& scan) {
    // System: links to device nodes, and links whose device has gone.
    const QFileInfoList links =
        QDir(scan.DevFolder + QStringLiteral("/serial/by-id"))
            .entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    const auto link = std::find_if(links.cbegin(), links.cend(), [&node](const QFileInfo& entry) {
        return entry.canonicalFilePath() == node;
    });
    return link == links.cend() ? QString() : link->absoluteFilePath();
}

quint16 HexNumberIn(const QString& file) {
    QFile text(file);
    return text.open(QIODevice::ReadOnly) ? text.readAll().trimmed().toUShort(nullptr, 16) : 0;
}

// The USB port a tty hangs on, as sysfs names the port's interface (1-1.2:1.0 is bus 1, port 2 of the hub on
// port 1, configuration 1, interface 0), with the ids of the adapter plugged into it; nothing for a tty that
// is not on USB, or where there is no sysfs.
std::optional<DeviceIdentity> UsbPortOf(const QString& ttyName, const DeviceScan& scan) {
    static const QRegularExpression kInterface(QStringLiteral("^\\d+-\\d+(\\.\\d+)*:\\d+\\.\\d+$"));
    if (ttyName.isEmpty()) {
        return std::nullopt;
    }
    QString at = DeviceNode(QStringLiteral("%1/class/tty/%2/device").arg(scan.SysFolder, ttyName));
    for (; !at.isEmpty() && at != QStringLiteral("/"); at = QFileInfo(at).path()) {
        const QString name = QFileInfo(at).fileName();
        if (kInterface.match(name).hasMatch()) {
            const QString adapter = QFileInfo(at).path();
            return DeviceIdentity{DeviceIdentity::Kind::UsbPort, name,
                                  HexNumberIn(adapter + QStringLiteral("/idVendor")),
                                  HexNumberIn(adapter + QStringLiteral("/idProduct"))};
        }
    }
    return std::nullopt;
}

QString TtyOnUsbPort(const DeviceIdentity& device, const DeviceScan& scan) {
    const QStringList ttys = QDir(scan.SysFolder + QStringLiteral("/class/tty"))
                                 .entryList(QDir::Dirs | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    const auto tty = std::find_if(ttys.cbegin(), ttys.cend(),
                                  [&](const QString& name) { return UsbPortOf(name, scan) == device; });
    return tty == ttys.cend() ? QString() : scan.DevFolder + u'/' + *tty;
}

// The link itself, not what it leads to: a link made anew has another inode or change time. Empty for a path
// that is no link.
QString LinkStampOf(const QString& path) {
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return {};
#else
    struct stat link {};
    if (::lstat(QFile::encodeName(path).constData(), &link) != 0 || !S_ISLNK(link.st_mode)) {
        return {};
    }
    return QStringLiteral("%1:%2.%3").arg(link.st_ino).arg(link.st_ctim.tv_sec).arg(link.st_ctim.tv_nsec);
#endif
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

// Only a serial number tells one adapter from another of its model: udev names those without one by vendor
// and model alone, and their by-id link follows the one plugged in last. Those are known by the USB port they
// are plugged into. A pty never comes back: the number of a closed one goes to the next terminal opened, a
// shell's or another program's, which must never be sent polls; a link to a pty is followed only once it is
// made anew.
DeviceIdentity IdentifyDevice(const QString& path, const DeviceScan& scan) {
    const QString node = DeviceNode(path);
    if (IsPty(node, scan)) {
        if (!QFileInfo(path).isSymLink()) {
            return {DeviceIdentity::Kind::Pty, path};
        }
        return {DeviceIdentity::Kind::Path, path, 0, 0, node, LinkStampOf(path)};
    }
    const std::optional<ListedDevice> listed = ListedAs(path, scan);
    if (listed && !listed->SerialNumber.isEmpty()) {
        if (QString link = ByIdLinkTo(node, scan); !node.isEmpty() && !link.isEmpty()) {
            return {DeviceIdentity::Kind::ById, link};
        }
        if (listed->HasUsbIds) {
            return {DeviceIdentity::Kind::UsbSerial, listed->SerialNumber, listed->VendorId,
                    listed->ProductId};
        }
    }
    if (std::optional<DeviceIdentity> port = UsbPortOf(QFileInfo(node).fileName(), scan)) {
        return *port;
    }
#ifndef Q_OS_WIN  // Windows itself names such an adapter's COM port after the USB port it is plugged into
    if (listed && listed->HasUsbIds) {
        return {DeviceIdentity::Kind::Unknown, path};
    }
#endif
    return {DeviceIdentity::Kind::Path, path, 0, 0, node};
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
        case DeviceIdentity::Kind::UsbPort:
            return TtyOnUsbPort(device, scan);
        case DeviceIdentity::Kind::Path:
            // The link that led to a lost pty, left as it was, leads to whatever terminal got its number
            // since.
            if (!device.LinkStamp.isEmpty() && LinkStampOf(device.Name) == device.LinkStamp) {
                return {};
            }
            return PathAttached(device.Name, scan) ? device.Name : QString();
        case DeviceIdentity::Kind::Pty:
        case DeviceIdentity::Kind::Unknown:
            return {};
    }
    return {};
}
