#include "TestWindow.h"
#include "app/StatusColours.h"

#include <QLineEdit>

#include <gtest/gtest.h>

namespace {

QColor Background(const QLineEdit* field) {
    return field->palette().color(QPalette::Base);
}

const QColor kQtRed(255, 0, 0);
const QColor kQtYellow(255, 255, 0);
const QColor kQtGreen(0, 255, 0);

}  // namespace

TEST(StatusColours, FieldsRecolourOnEveryChangeWithRedInTheLowestByte) {
    TestWindow t;
    t.Started();
    GuiMain& w = t.Window;
    w.RssiText->setText(QStringLiteral("9"));
    EXPECT_EQ(Background(w.RssiText), kQtGreen);
    w.RssiText->setText(QStringLiteral("6"));
    EXPECT_EQ(Background(w.RssiText), kQtYellow);
    w.OpStateText->setText(QStringLiteral("Locked"));
    EXPECT_EQ(Background(w.OpStateText), kQtGreen);
    w.SfdLossText->setText(QStringLiteral("11"));
    EXPECT_EQ(Background(w.SfdLossText), kQtRed);
    w.TemperatureText->setText(QStringLiteral("-25"));
    EXPECT_EQ(Background(w.TemperatureText), kQtYellow);
    w.TemperatureText->setText(QStringLiteral("20"));
    EXPECT_EQ(Background(w.TemperatureText), kQtGreen);

    EXPECT_EQ(LevelColour(StatusLevel::kBad), kRed);
    EXPECT_EQ(LevelColour(StatusLevel::kMarginal), kYellow);
    EXPECT_EQ(LevelColour(StatusLevel::kGood), kGreen);
    QLineEdit field;
    SetBackground(field, kRed);
    EXPECT_EQ(Background(&field), kQtRed);
    SetBackground(field, 0x00123456);
    EXPECT_EQ(Background(&field), QColor(0x56, 0x34, 0x12));
}
