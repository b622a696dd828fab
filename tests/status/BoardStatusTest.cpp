#include "TestWindow.h"
#include "status/BoardStatus.h"

#include <QLineEdit>

#include <gtest/gtest.h>

TEST(BoardStatus, OnlyTheFourColouredFieldsAreJudged) {
    BoardStatus board;
    board.SetText(BoardField::kOpState, QStringLiteral("Ranging"));
    board.SetText(BoardField::kRssi, QStringLiteral("9"));
    board.SetText(BoardField::kSfdLosses, QStringLiteral("11"));
    board.SetText(BoardField::kTemperature, QStringLiteral("45"));
    board.SetText(BoardField::kFirmwareVersion, QStringLiteral("Locked"));
    EXPECT_EQ(board.Level(BoardField::kOpState), StatusLevel::kMarginal);
    EXPECT_EQ(board.Level(BoardField::kRssi), StatusLevel::kGood);
    EXPECT_EQ(board.Level(BoardField::kSfdLosses), StatusLevel::kBad);
    EXPECT_EQ(board.Level(BoardField::kTemperature), StatusLevel::kMarginal);
    for (const BoardField field :
         {BoardField::kFirmwareVersion, BoardField::kLine1Hook, BoardField::kSfdSetting}) {
        EXPECT_FALSE(board.Level(field).has_value()) << static_cast<int>(field);
    }
}

// What the board status holds is what the window shows, through layouts and replies alike.
TEST(BoardStatus, HoldsWhatTheWindowShows) {
    TestWindow t;
    t.Running(kLineCardApp);
    for (const char* line : {"    Version:  Line Card 2.1", "FF12: 26 00", "FF28: 0A 07 0C 03",
                             "op_status: 02010200", "Subscriber 02 SFD Loss Count: 0011", "temperature: 002D",
                             "hook_state: 0001000100010001", "0000: 1A", "0004: 06", "0005: 02"}) {
        t.Line(QString::fromLatin1(line));
    }
    const GuiMain& w = t.Window;
    const BoardStatus& board = w.Session.State.Board;
    const std::pair<BoardField, QLineEdit*> shown[] = {
        {BoardField::kApplicationVersion, w.ApplicationText},
        {BoardField::kBootLoaderVersion, w.BootLoaderText},
        {BoardField::kTimeSlot, w.TimeSlotText},
        {BoardField::kFrequency, w.FrequencyText},
        {BoardField::kCdma, w.CdmaText},
        {BoardField::kOpState, w.OpStateText},
        {BoardField::kRssi, w.RssiText},
        {BoardField::kSfdLosses, w.SfdLossText},
        {BoardField::kTemperature, w.TemperatureText},
        {BoardField::kLine1Hook, w.Line1Hook},
        {BoardField::kLine2Ring, w.Line2Ring},
        {BoardField::kSfdSetting, w.SfdText},
    };
    for (const auto& [field, widget] : shown) {
        EXPECT_EQ(board.Text(field), widget->text()) << widget->objectName().toStdString();
    }
    EXPECT_EQ(board.Text(BoardField::kSfdLosses), QStringLiteral("17"));
    EXPECT_EQ(board.Level(BoardField::kSfdLosses), StatusLevel::kBad);
    EXPECT_EQ(board.GenericPosition, 2);
    EXPECT_EQ(board.V35Position, 2);
}
