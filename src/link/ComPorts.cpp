#include "link/ComPorts.h"

#include <QCollator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QtGlobal>

#include <algorithm>

namespace {

QStringList MachineSerialDevices() {
    QStringList paths;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        paths << info.systemLocation();
    }
    QCollator natural;
    natural.setNumericMode(true);
    std::sort(paths.begin(), paths.end(),
              [&natural](const QString& a, const QString& b) { return natural.compare(a, b) < 0; });
    return paths;
}

}  // namespace

QString ComDevicePath(int comNumber) {
    if (comNumber < kFirstComPort || comNumber > kLastComPort) {
        return {};
    }
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(comNumber);
#else
    QString fromEnvironment = qEnvironmentVariable(qPrintable(QStringLiteral("VELMORA_COM%1").arg(comNumber)));
    if (!fromEnvironment.isEmpty()) {
        return fromEnvironment;
    }
    const QStringList devices = MachineSerialDevices();
    return comNumber <= devices.size() ? devices.at(comNumber - 1) : QString();
#endif
}

std::optional<int> ComNumberOf(const QString& name) {
    static const QRegularExpression kComName(QStringLiteral("^COM([1-9][0-9]{0,8})$"));
    const QRegularExpressionMatch match = kComName.match(name);
    return match.hasMatch() ? std::optional<int>(match.captured(1).toInt()) : std::nullopt;
}

QString DeviceOfPort(const QString& port) {
    const std::optional<int> com = ComNumberOf(port);
    const QString path = com ? ComDevicePath(*com) : port;
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? (path.isEmpty() ? port : path) : canonical;
}
