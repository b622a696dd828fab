#pragma once

#include "TestWindow.h"

#include <QColor>
#include <QLineEdit>
#include <QPalette>

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

// Status colours as the fields show them.
inline const QColor kRedBase(255, 0, 0);
inline const QColor kYellowBase(255, 255, 0);
inline const QColor kGreenBase(0, 255, 0);

inline QColor Base(const QLineEdit* field) {
    return field->palette().color(QPalette::Base);
}

// The seven status fields of the Status tab, in the order the store keeps them.
struct ShownStatus {
    QString OpState, Rssi, SfdLosses, Line1Hook, Line1Ring, Line2Hook, Line2Ring;
    bool operator==(const ShownStatus&) const = default;
};

// A window whose board has announced the program by its banner; reply lines go through the receive path.
class RunningBoard : public ::testing::Test {
  protected:
    void Start(std::int32_t program) { board.Running(program); }
    void Line(const QString& text) { board.Line(text); }
    GuiMain& Window() { return board.Window; }
    const CpeStatusRecord& Record(int cpe) { return board.Window.Session.State.Board.Cpes.at(cpe); }
    std::vector<ShownStatus> AllRecords();

    TestWindow board;
};

inline ShownStatus Shown(const GuiMain& w) {
    return {w.OpStateText->text(), w.RssiText->text(),  w.SfdLossText->text(), w.Line1Hook->text(),
            w.Line1Ring->text(),   w.Line2Hook->text(), w.Line2Ring->text()};
}

inline ShownStatus Stored(const CpeStatusRecord& r) {
    return {r.OpState,       r.Rssi,          r.SfdLosses,    r.Lines[0].Hook,
            r.Lines[0].Ring, r.Lines[1].Hook, r.Lines[1].Ring};
}

inline void PrintTo(const ShownStatus& s, std::ostream* os) {
    const QStringList texts{s.OpState,   s.Rssi,      s.SfdLosses, s.Line1Hook,
                            s.Line1Ring, s.Line2Hook, s.Line2Ring};
    *os << '{' << qPrintable(texts.join(u'|')) << '}';
}

inline std::vector<ShownStatus> RunningBoard::AllRecords() {
    std::vector<ShownStatus> records;
    for (const CpeStatusRecord& record : board.Window.Session.State.Board.Cpes) {
        records.push_back(Stored(record));
    }
    return records;
}

inline const ShownStatus kResetStatus{
    QStringLiteral("Acquisition"), QStringLiteral("0"),        QString(),
    QStringLiteral("ON HOOK"),     QStringLiteral("RING OFF"), QStringLiteral("ON HOOK"),
    QStringLiteral("RING OFF")};
