#pragma once

#include <QString>
#include <QStringList>

#include <optional>

inline constexpr int kFirstComPort = 1;
inline constexpr int kLastComPort = 8;

// The device behind COM n on this machine; empty when there is none.
// Windows: the system's "COMn". Elsewhere: the path in VELMORA_COM<n> when that is set, otherwise the n-th
// entry of the machine's serial devices sorted by path in natural order (ttyACM0 < ttyS0 < ttyS1 < ttyS10 <
// ttyUSB0), so the numbering stays the same from run to run while no adapter is plugged in or out.
QString ComDevicePath(int comNumber);

// n for a port named "COMn" as the window lists them; nothing for any other name.
std::optional<int> ComNumberOf(const QString& name);

// The device a port names ("COMn", a path or a link to one), so that one device given two ways counts once.
QString DeviceOfPort(const QString& port);
