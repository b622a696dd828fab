#include "status/ReadingRules.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

}  // namespace

TEST(ReadingRules, MarkerIsAnExactCaseSensitiveSubstring) {
    struct Case {
        const char* Line;
        const char* Marker;
        bool Holds;
    };
    for (const Case& c : {
             Case{"op_status: 02", "op_status: ", true},
             Case{"xx op_status: 02", "op_status: ", true},
             Case{"op_status:02", "op_status: ", false},
             Case{"OP_STATUS: 02", "op_status: ", false},
             Case{"    Version:  1.2", "    Version:  ", true},
             Case{"  Version:  1.2", "    Version:  ", false},
             Case{"", "FF28: ", false},
         }) {
        EXPECT_EQ(HoldsMarker(QString::fromLatin1(c.Line), QString::fromLatin1(c.Marker)), c.Holds) << c.Line;
    }
}

TEST(ReadingRules, FieldsCountFromOneAndAreCutShortAtTheEnd) {
    struct Case {
        const char* Text;
        int Position;
        int Width;  // -1: to the end of the text
        const char* Field;
    };
    for (const Case& c : {
             Case{"abcdef", 1, 2, "ab"},
             Case{"abcdef", 5, 4, "ef"},
             Case{"abcdef", 6, 1, "f"},
             Case{"abcdef", 7, 1, ""},
             Case{"abcdef", 3, 0, ""},
             Case{"", 1, 2, ""},
             Case{"abcdef", 3, -1, "cdef"},
             Case{"abcdef", 6, -1, "f"},
             Case{"abcdef", 7, -1, ""},
             Case{"abcdef", 100, -1, ""},
         }) {
        const QString text = QString::fromLatin1(c.Text);
        const QString field = c.Width < 0 ? FieldFrom(text, c.Position) : Field(text, c.Position, c.Width);
        EXPECT_EQ(field, QString::fromLatin1(c.Field))
            << c.Text << " at " << c.Position << " width " << c.Width;
    }
}

TEST(ReadingRules, DecimalFieldSkipsBlanksTakesASignAndTheDigitRun) {
    struct Case {
        QString Field;
        std::int64_t Value;
    };
    for (const Case& c : {
             Case{QStringLiteral("12"), 12},
             Case{QStringLiteral(" 12"), 12},
             Case{QStringLiteral("\t\n 7"), 7},
             Case{QStringLiteral("1 2"), 12},
             Case{QStringLiteral("-5"), -5},
             Case{QStringLiteral("- 5"), -5},
             Case{QStringLiteral("+5"), 5},
             Case{QStringLiteral("45 C"), 45},
             Case{QStringLiteral("007"), 7},
             Case{QStringLiteral("12.7"), 12},
             Case{QStringLiteral(""), 0},
             Case{QStringLiteral("??"), 0},
             Case{QStringLiteral("-"), 0},
             Case{QStringLiteral("--5"), 0},
             Case{QStringLiteral("\r5"), 0},          // only blanks, tabs and line feeds are skipped
             Case{QString::fromUtf16(u"\u0665"), 0},  // a digit of another script is no digit here
             Case{QStringLiteral("99999999999999999999999"), kMax},
             Case{QStringLiteral("-99999999999999999999999"), -kMax},
         }) {
        EXPECT_EQ(ReadDecimal(c.Field), c.Value) << c.Field.toStdString();
    }
}

TEST(ReadingRules, HexFieldOfUpToFourDigitsIsSixteenBitTwosComplement) {
    struct Case {
        const char* Field;
        std::int64_t Value;
    };
    for (const Case& c : {
             Case{"FF", 255},
             Case{"ff", 255},
             Case{"00FF", 255},
             Case{"7FFF", 32767},
             Case{"8000", -32768},
             Case{"FFFF", -1},
             Case{"FFF6", -10},
             Case{"1G", 1},
             Case{"G1", 0},
             Case{"", 0},
             Case{"-1", 0},
             Case{"0A 99", 10},
             // Longer runs keep their size so that range checks reject them.
             Case{"10000", 0x10000},
             Case{"FFFFF", 0xFFFFF},
             Case{"FFFFFFFFFFFFFFFFFFFFFFFF", kMax},
         }) {
        EXPECT_EQ(ReadHex(QString::fromLatin1(c.Field)), c.Value) << c.Field;
    }
}

TEST(ReadingRules, ByteConversionRejectsValuesOutsideAByte) {
    EXPECT_EQ(ToByte(0), std::optional<std::uint8_t>(0));
    EXPECT_EQ(ToByte(255), std::optional<std::uint8_t>(255));
    EXPECT_EQ(ToByte(-1), std::nullopt);
    EXPECT_EQ(ToByte(256), std::nullopt);
    EXPECT_EQ(ToByte(ReadHex(QStringLiteral("FFFF"))), std::nullopt);
    EXPECT_EQ(ToByte(ReadHex(QStringLiteral("0100"))), std::nullopt);
    EXPECT_EQ(ToByte(ReadHex(QStringLiteral("100FF"))), std::nullopt);
    EXPECT_EQ(ToByte(kMax), std::nullopt);
}

TEST(ReadingRules, NumbersAreShownAsPlainDecimal) {
    EXPECT_EQ(ShowNumber(0), QStringLiteral("0"));
    EXPECT_EQ(ShowNumber(42), QStringLiteral("42"));
    EXPECT_EQ(ShowNumber(-10), QStringLiteral("-10"));
    EXPECT_EQ(ShowNumber(-32768), QStringLiteral("-32768"));
    EXPECT_EQ(ShowNumber(1234567), QStringLiteral("1234567"));
}

TEST(ReadingRules, CommandNumbersAreUpperCaseHexWithoutLeadingZeros) {
    EXPECT_EQ(CommandHex(0), QStringLiteral("0"));
    EXPECT_EQ(CommandHex(10), QStringLiteral("A"));
    EXPECT_EQ(CommandHex(26), QStringLiteral("1A"));
    EXPECT_EQ(CommandHex(0xB5), QStringLiteral("B5"));
    EXPECT_EQ(CommandHex(255), QStringLiteral("FF"));
    EXPECT_EQ(CommandHex(0xFFFFFFFF), QStringLiteral("FFFFFFFF"));
}
