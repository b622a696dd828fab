#pragma once

#include "link/DeviceIdentity.h"

#include <QString>

// Which device a board's port is, as a production record wants it: the node it resolves to and, where the
// system knows them, the adapter's USB serial number and its /dev/serial/by-id name.
struct BoardDevice {
    QString Resolved{};
    QString SerialNumber{};
    QString ById{};
};

BoardDevice DescribeDevice(const QString& path, const DeviceScan& scan = {});
