#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ostream>

// Readable failure messages for Qt's strings: control bytes and bytes above 127 are shown as \xNN.
inline void PrintTo(const QByteArray& bytes, std::ostream* out) {
    *out << '"';
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        if (value >= 0x20 && value < 0x7F && value != '\\') {
            *out << byte;
        } else {
            static const char kHex[] = "0123456789ABCDEF";
            *out << "\\x" << kHex[value >> 4] << kHex[value & 0xF];
        }
    }
    *out << '"';
}

inline void PrintTo(const QString& text, std::ostream* out) { PrintTo(text.toLatin1(), out); }

inline void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << '{';
    for (qsizetype index = 0; index < texts.size(); ++index) {
        *out << (index > 0 ? ", " : "");
        PrintTo(texts.at(index), out);
    }
    *out << '}';
}
