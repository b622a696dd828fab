#include "flash/BoardDevice.h"

#include <QFileInfo>

BoardDevice DescribeDevice(const QString& path, const DeviceScan& scan) {
    const QString node = QFileInfo(path).canonicalFilePath();
    BoardDevice device{.Resolved = node.isEmpty() ? path : node};
    const DeviceIdentity identity = IdentifyDevice(path, scan);
    if (identity.By == DeviceIdentity::Kind::ById) {
        device.ById = identity.Name;
    }
    for (const ListedDevice& listed : scan.Listed()) {
        if (QFileInfo(listed.Path).canonicalFilePath() == device.Resolved) {
            device.SerialNumber = listed.SerialNumber;
        }
    }
    return device;
}
