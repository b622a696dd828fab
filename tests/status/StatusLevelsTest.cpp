#include "status/StatusLevels.h"

#include <gtest/gtest.h>

namespace {

constexpr StatusLevel kBad = StatusLevel::kBad;
constexpr StatusLevel kMarginal = StatusLevel::kMarginal;
constexpr StatusLevel kGood = StatusLevel::kGood;

struct Case {
    QString Text;
    StatusLevel Level;
};

void ExpectLevels(StatusLevel (*rule)(const QString&), std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
        EXPECT_EQ(rule(c.Text), c.Level) << '"' << c.Text.toStdString() << '"';
    }
}

}  // namespace

TEST(StatusLevels, OperationalStateIsComparedExactly) {
    ExpectLevels(OpStateLevel, {
                                   {QStringLiteral("Ranging"), kMarginal},
                                   {QStringLiteral("Locked"), kGood},
                                   {QStringLiteral("locked"), kBad},
                                   {QStringLiteral("Locked "), kBad},
                                   {QStringLiteral(" Ranging"), kBad},
                                   {QStringLiteral("Acquisition"), kBad},
                                   {QString(), kBad},
                               });
}

TEST(StatusLevels, SignalStrengthThresholds) {
    ExpectLevels(RssiLevel,
                 {
                     {QString(), kBad},
                     {QStringLiteral("??"), kBad},
                     {QStringLiteral("0"), kBad},
                     {QStringLiteral("5"), kBad},
                     {QStringLiteral("6"), kMarginal},
                     {QStringLiteral("8"), kMarginal},
                     {QStringLiteral("9"), kGood},
                     {QStringLiteral("255"), kGood},
                     {QStringLiteral(" 7"), kMarginal},
                     // Beyond a byte the reading is held at its limit, never wrapped: 262 is not 6.
                     {QStringLiteral("262"), kGood},
                     {QStringLiteral("99999999999999999999999"), kGood},
                     {QStringLiteral("-250"), kBad},
                 });
}

TEST(StatusLevels, SfdLossThresholds) {
    ExpectLevels(SfdLossLevel, {
                                   {QString(), kBad},
                                   {QStringLiteral("??"), kGood},
                                   {QStringLiteral("-1"), kGood},
                                   {QStringLiteral("0"), kGood},
                                   {QStringLiteral("3"), kGood},
                                   {QStringLiteral("4"), kMarginal},
                                   {QStringLiteral("10"), kMarginal},
                                   {QStringLiteral("11"), kBad},
                                   {QStringLiteral("4294967300"), kBad},
                                   {QStringLiteral("-4294967300"), kGood},
                               });
}

TEST(StatusLevels, TemperatureThresholds) {
    ExpectLevels(TemperatureLevel,
                 {
                     {QString(), kBad},
                     {QStringLiteral("??"), kGood},
                     {QStringLiteral("39"), kGood},
                     {QStringLiteral("40"), kMarginal},
                     {QStringLiteral("60"), kMarginal},
                     {QStringLiteral("61"), kBad},
                     {QStringLiteral("-19"), kGood},
                     {QStringLiteral("-20"), kMarginal},
                     {QStringLiteral("-30"), kMarginal},
                     {QStringLiteral("-31"), kBad},
                     {QStringLiteral("45 C"), kMarginal},
                     // 65556 would wrap to 20 in sixteen bits; held at the limit it stays hot.
                     {QStringLiteral("65556"), kBad},
                     {QStringLiteral("-65556"), kBad},
                 });
}
