#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

// The program file as read, once, and checked before anything is sent: every board gets these bytes.
struct CheckedProgram {
    QString Error;     // why the file is refused; empty when it may be sent
    QString Sha256{};  // lower-case hex digest of Bytes
    QByteArray Bytes{};
};

// Refuses a missing, unreadable, empty or too large file, and unless hexCheck is false one that is not Intel
// hex. A pipe or a device is read to its end, as long as that fits the size limit.
CheckedProgram CheckProgramFile(const QString& path, bool hexCheck);

// Why the text is not Intel hex (records of hex digits with correct lengths and checksums, an end-of-file
// record, nothing but blank lines after it); empty when it is.
QString IntelHexError(QIODevice& text);
