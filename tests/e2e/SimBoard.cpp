#include "SimBoard.h"

#include <QFile>

namespace {

constexpr int kStartTimeoutMs = 10000;
constexpr int kStopTimeoutMs = 10000;

}  // namespace

SimBoard::~SimBoard() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(kStopTimeoutMs);
    }
}

bool SimBoard::Start(const QStringList& options) {
    process_.start(QStringLiteral(VELMORA_SIM_PATH),
                   QStringList{QStringLiteral("--rate"), QStringLiteral("0")} + options);
    if (!process_.waitForStarted(kStartTimeoutMs)) {
        return false;
    }
    while (!process_.canReadLine()) {
        if (!process_.waitForReadyRead(kStartTimeoutMs)) {
            return false;
        }
    }
    devicePath_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    return devicePath_.startsWith(QLatin1Char('/'));
}

bool SimBoard::Stop() {
    process_.terminate();
    return process_.waitForFinished(kStopTimeoutMs) && process_.exitStatus() == QProcess::NormalExit &&
           process_.exitCode() == 0;
}

QString SimBoard::WriteFile(const QString& name, const QByteArray& content) const {
    QFile file(FilePath(name));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(content);
    }
    return file.fileName();
}

QByteArray SimBoard::ReadFile(const QString& name) const {
    QFile file(FilePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString SimBoard::ErrorOutput() {
    errorOutput_ += process_.readAllStandardError();
    return QString::fromLocal8Bit(errorOutput_);
}
