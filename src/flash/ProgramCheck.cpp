#include "flash/ProgramCheck.h"

#include "download/DownloadEngine.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <cctype>
#include <optional>

namespace {

// The longest record: ':' and 5 + 255 bytes in hex, and its line end.
constexpr qint64 kLongestLine = 1 + 2 * (5 + 255) + 2;
constexpr int kEndOfFile = 1;
constexpr int kLastRecordType = 5;

std::optional<QByteArray> HexBytes(const QByteArray& digits) {
    if (digits.size() % 2 != 0) {
        return std::nullopt;
    }
    for (const char digit : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(digit))) {
            return std::nullopt;
        }
    }
    return QByteArray::fromHex(digits);
}

// Why one record is wrong; empty when it is sound. Sets endOfFile for the end-of-file record.
QString RecordError(const QByteArray& record, bool& endOfFile) {
    if (!record.startsWith(':')) {
        return QStringLiteral("does not start with ':'");
    }
    const std::optional<QByteArray> bytes = HexBytes(record.mid(1));
    if (!bytes) {
        return QStringLiteral("is not made of pairs of hexadecimal digits");
    }
    if (bytes->size() < 5 || bytes->size() != 5 + static_cast<unsigned char>(bytes->at(0))) {
        return QStringLiteral("does not match its byte count");
    }
    unsigned sum = 0;
    for (const char byte : *bytes) {
        sum += static_cast<unsigned char>(byte);
    }
    if (sum % 256 != 0) {
        return QStringLiteral("has a wrong checksum");
    }
    const int type = static_cast<unsigned char>(bytes->at(3));
    if (type > kLastRecordType) {
        return QStringLiteral("has the unknown record type %1").arg(type);
    }
    endOfFile = type == kEndOfFile;
    return {};
}

QByteArray WithoutLineEnd(QByteArray line) {
    if (line.endsWith('\n')) {
        line.chop(line.endsWith("\r\n") ? 2 : 1);
    }
    return line;
}

// The file's bytes, or why they cannot be sent. A stream has no size to check first: it is read up to one
// byte past the limit.
QString ReadProgram(QFile& file, const QString& name, QByteArray& bytes) {
    if (!file.isSequential() && file.size() > DownloadEngine::kLargestFile) {
        return FileRefusal(name, file.size());
    }
    constexpr qint64 kChunk = 1 << 16;
    for (qint64 read = kChunk; read > 0 && bytes.size() <= DownloadEngine::kLargestFile;) {
        const QByteArray chunk = file.read(kChunk);
        read = chunk.size();
        bytes += chunk;
    }
    if (file.error() != QFileDevice::NoError) {
        return QStringLiteral("%1: %2").arg(file.fileName(), file.errorString());
    }
    return FileRefusal(name, bytes.size());
}

}  // namespace

QString IntelHexError(QIODevice& text) {
    bool endOfFile = false;
    for (int number = 1; !text.atEnd(); ++number) {
        const QByteArray line = text.readLine(kLongestLine + 1);
        if (line.size() > kLongestLine || (!line.endsWith('\n') && !text.atEnd())) {
            return QStringLiteral("line %1 is too long for a record").arg(number);
        }
        const QByteArray record = WithoutLineEnd(line);
        if (record.trimmed().isEmpty()) {
            continue;
        }
        if (endOfFile) {
            return QStringLiteral("line %1 follows the end-of-file record").arg(number);
        }
        const QString error = RecordError(record, endOfFile);
        if (!error.isEmpty()) {
            return QStringLiteral("line %1 %2").arg(number).arg(error);
        }
    }
    return endOfFile ? QString() : QStringLiteral("there is no end-of-file record");
}

CheckedProgram CheckProgramFile(const QString& path, bool hexCheck) {
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        return {QStringLiteral("%1: %2").arg(
            path, QFileInfo(path).isDir() ? QStringLiteral("Is a directory") : file.errorString())};
    }
    CheckedProgram checked;
    checked.Error = ReadProgram(file, name, checked.Bytes);
    if (checked.Error.isEmpty() && hexCheck) {
        QBuffer text(&checked.Bytes);
        text.open(QIODevice::ReadOnly);
        const QString error = IntelHexError(text);
        if (!error.isEmpty()) {
            checked.Error = QStringLiteral("%1 is not an Intel-hex file: %2.").arg(name, error);
        }
    }
    if (!checked.Error.isEmpty()) {
        checked.Bytes.clear();
        return checked;
    }
    checked.Sha256 =
        QString::fromLatin1(QCryptographicHash::hash(checked.Bytes, QCryptographicHash::Sha256).toHex());
    return checked;
}
