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

// Green, yellow or red.
QByteArray Coloured(const QByteArray& text, std::optional<StatusLevel> level) {
    if (!level) {
        return text;
    }
    const char* colour = *level == StatusLevel::kGood ? "32" : *level == StatusLevel::kMarginal ? "33" : "31";
    return QByteArray("\x1b[") + colour + 'm' + text + "\x1b[0m";
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

void RackOutput::Table(const QList<QList<TableCell>>& rows) {
    QList<qsizetype> widths;
    for (const QList<TableCell>& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (qsizetype column = 0; column < row.size(); ++column) {
            widths[column] = std::max(widths[column], row[column].Text.size());
        }
    }
    QByteArray text = "\x1b[H";  // home; each line clears its rest, and the screen is cleared below the table
    for (const QList<TableCell>& row : rows) {
        for (qsizetype column = 0; column < row.size(); ++column) {
            QString cell = row[column].Text;
            // Nothing the board said may move the cursor or recolour the terminal.
            std::replace_if(
                cell.begin(), cell.end(), [](QChar c) { return c < u' ' || c == u'\x7f'; }, u'?');
            text += Coloured(cell.leftJustified(widths[column]).toUtf8(), row[column].Level) + "  ";
        }
        text += "\x1b[K\n";
    }
    write_(text + "\x1b[J");
}
