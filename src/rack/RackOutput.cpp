#include "rack/RackOutput.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

namespace {

// A value as JSON text, alone.
QByteArray JsonText(const QJsonValue& value) {
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

QByteArray PlainText(const QJsonValue& value) {
    if (value.isString()) {
        const QString text = value.toString();
        // Text from the board stays on its line and cannot be taken for another key.
        return text.isEmpty() || text.contains(u' ') || text.contains(u'=') || text.contains(u'"') ||
                       std::any_of(text.begin(), text.end(), [](QChar c) { return c < u' '; })
                   ? JsonText(value)
                   : text.toUtf8();
    }
    return JsonText(value);
}

}  // namespace

QString IsoTime(const QDateTime& time) {
    return time.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

RackOutput::RackOutput(RackOutputMode mode, std::function<void(const QByteArray&)> write)
    : mode_(mode), write_(std::move(write)) {}

void RackOutput::Event(const RackEvent& event) {
    switch (mode_) {
        case RackOutputMode::Json:
            write_(JsonLine(event));
            break;
        case RackOutputMode::Plain:
            write_(PlainLine(event));
            break;
        case RackOutputMode::Terminal:
            break;
    }
}

QByteArray RackOutput::JsonLine(const RackEvent& event) {
    QByteArray line = "{\"time\":" + JsonText(IsoTime(event.Time)) + ",\"board\":" + JsonText(event.Board) +
                      ",\"event\":" + JsonText(event.Kind);
    for (const auto& [key, value] : event.Details) {
        line += ',' + JsonText(key) + ':' + JsonText(value);
    }
    return line + "}\n";
}

QByteArray RackOutput::PlainLine(const RackEvent& event) {
    QByteArray line = IsoTime(event.Time).toLatin1() + ' ' + event.Board.toUtf8() + ' ' + event.Kind.toUtf8();
    for (const auto& [key, value] : event.Details) {
        line += ' ' + key.toUtf8() + '=' + PlainText(value);
    }
    return line + '\n';
}

void RackOutput::Table(const QList<QStringList>& rows) {
    QList<qsizetype> widths;
    for (const QStringList& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (qsizetype column = 0; column < row.size(); ++column) {
            widths[column] = std::max(widths[column], row[column].size());
        }
    }
    QByteArray text = "\x1b[H";  // home; each line clears its rest, and the screen is cleared below the table
    for (const QStringList& row : rows) {
        QString line;
        for (qsizetype column = 0; column < row.size(); ++column) {
            QString cell = row[column];
            // Nothing the board said may move the cursor or recolour the terminal.
            std::replace_if(
                cell.begin(), cell.end(), [](QChar c) { return c < u' ' || c == u'\x7f'; }, u'?');
            line += cell.leftJustified(widths[column] + 2);
        }
        text += line.trimmed().toUtf8() + "\x1b[K\n";
    }
    write_(text + "\x1b[J");
}
