#include "link/OpenFailure.h"

namespace {

QString OpenFailureAdvice(OpenStatus status, const QString& device) {
    switch (status) {
        case OpenStatus::Denied:
            return QStringLiteral(
                       "Your user may not open %1: add it to the group that owns the device "
                       "(usually dialout), then log in again.")
                .arg(device);
        case OpenStatus::Busy:
            return QStringLiteral(
                       "%1 is in use by another program: close that program, then choose the port again.")
                .arg(device);
        case OpenStatus::Missing:
            return QStringLiteral("%1 is no longer there: reconnect the adapter, then choose the port again.")
                .arg(device);
        default:
            return {};
    }
}

}  // namespace

QString OpenFailureWarning(const OpenResult& result, const QString& device) {
    const QString advice = OpenFailureAdvice(result.Status, device);
    return advice.isEmpty() ? result.Description : result.Description + u'\n' + advice;
}
