#pragma once

#include "link/SerialPort.h"

#include <QString>

// What to tell a person about a port that would not open: the serial layer's description and, for the
// problems a Linux user meets, what to do about it.
QString OpenFailureWarning(const OpenResult& result, const QString& device);
