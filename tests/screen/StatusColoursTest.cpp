#include "TestWindow.h"
#include "screen/StatusColours.h"

#include <QLineEdit>

#include <gtest/gtest.h>

namespace {

struct Case {
    QString Text;
    BgrColour Colour;
};

void ExpectColours(BgrColour (*rule)(const QString&), std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
        EXPECT_EQ(rule(c.Text), c.Colour) << '"' << c.Text.toStdString() << '"';
    }
}

QColor Background(const QLineEdit* field) {
    return field->palette().color(QPalette::Base);
}

const QColor kQtRed(255, 0, 0);
const QColor kQtYellow(255, 255, 0);
const QColor kQtGreen(0, 255, 0);

}  // namespace

TEST(StatusColours, OperationalStateIsComparedExactly) {
    ExpectColours(OpStateColour, {
                                     {QStringLiteral("Ranging"), kYellow},
                                     {QStringLiteral("Locked"), kGreen},
                                     {QStringLiteral("locked"), kRed},
                                     {QStringLiteral("Locked "), kRed},
                                     {QStringLiteral(" Ranging"), kRed},
                                     {QStringLiteral("Acquisition"), kRed},
                                     {QString(), kRed},
                                 });
}

TEST(StatusColours, SignalStrengthThresholds) {
    ExpectColours(RssiColour,
                  {
                      {QString(), kRed},
                      {QStringLiteral("??"), kRed},
                      {QStringLiteral("0"), kRed},
                      {QStringLiteral("5"), kRed},
                      {QStringLiteral("6"), kYellow},
                      {QStringLiteral("8"), kYellow},
                      {QStringLiteral("9"), kGreen},
                      {QStringLiteral("255"), kGreen},
                      {QStringLiteral(" 7"), kYellow},
                      // Beyond a byte the reading is held at its limit, never wrapped: 262 is not 6.
                      {QStringLiteral("262"), kGreen},
                      {QStringLiteral("99999999999999999999999"), kGreen},
                      {QStringLiteral("-250"), kRed},
                  });
}

TEST(StatusColours, SfdLossThresholds) {
    ExpectColours(SfdLossColour, {
                                     {QString(), kRed},
                                     {QStringLiteral("??"), kGreen},
                                     {QStringLiteral("-1"), kGreen},
                                     {QStringLiteral("0"), kGreen},
                                     {QStringLiteral("3"), kGreen},
                                     {QStringLiteral("4"), kYellow},
                                     {QStringLiteral("10"), kYellow},
                                     {QStringLiteral("11"), kRed},
                                     {QStringLiteral("4294967300"), kRed},
                                     {QStringLiteral("-4294967300"), kGreen},
                                 });
}

TEST(StatusColours, TemperatureThresholds) {
    ExpectColours(TemperatureColour,
                  {
                      {QString(), kRed},
                      {QStringLiteral("??"), kGreen},
                      {QStringLiteral("39"), kGreen},
                      {QStringLiteral("40"), kYellow},
                      {QStringLiteral("60"), kYellow},
                      {QStringLiteral("61"), kRed},
                      {QStringLiteral("-19"), kGreen},
                      {QStringLiteral("-20"), kYellow},
                      {QStringLiteral("-30"), kYellow},
                      {QStringLiteral("-31"), kRed},
                      {QStringLiteral("45 C"), kYellow},
                      // 65556 would wrap to 20 in sixteen bits; held at the limit it stays hot.
                      {QStringLiteral("65556"), kRed},
                      {QStringLiteral("-65556"), kRed},
                  });
}

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

    QLineEdit field;
    SetBackground(field, kRed);
    EXPECT_EQ(Background(&field), kQtRed);
    SetBackground(field, 0x00123456);
    EXPECT_EQ(Background(&field), QColor(0x56, 0x34, 0x12));
}
