#include "Pty.h"
#include "TestWindow.h"
#include "app/TerminalView.h"

#include <QLineEdit>
#include <QTabWidget>

#include <gtest/gtest.h>

namespace {

// A connected window that knows no program yet, so reply lines change nothing but ReplyLine.
struct ReceiveFixture : ::testing::Test {
    TestWindow t;
    void SetUp() override { t.Connected(); }
    SessionState& State() { return t.Window.Session.State; }
    void Piece(const QByteArray& bytes) { t.Port.ReceiveLater(bytes); }
};

}  // namespace

TEST_F(ReceiveFixture, EveryCompleteLineOfAPieceIsReadInOrderAndTheTailWaits) {
    // A banner applies its layout before the lines after it in the same piece are read.
    Piece("CPE Application Initialized\r\nhook_state: 0001\r\nring_state: 0100\r\nhook_sta");
    EXPECT_EQ(State().ActiveProgram, kCpeApp);
    EXPECT_EQ(t.Window.Line1Hook->text(), QStringLiteral("OFF HOOK"));
    EXPECT_EQ(t.Window.Line1Ring->text(), QStringLiteral("RING ON"));
    EXPECT_EQ(t.Window.Line2Hook->text(), QStringLiteral("ON HOOK"));
    EXPECT_EQ(State().ReplyLine, QStringLiteral("ring_state: 0100"));
    EXPECT_EQ(State().ReceiveBuffer, QStringLiteral("hook_sta"));
    Piece("te: 0101\r");
    EXPECT_EQ(t.Window.Line1Hook->text(), QStringLiteral("OFF HOOK"));
    Piece("\nChannel 01 OFF HOOK\r\n");  // the CR LF split over two pieces ends the line all the same
    EXPECT_EQ(t.Window.Line1Hook->text(), QStringLiteral("ON HOOK"));
    EXPECT_EQ(t.Window.Line2Hook->text(), QStringLiteral("OFF HOOK"));
    EXPECT_TRUE(State().ReceiveBuffer.isEmpty());
}

TEST_F(ReceiveFixture, LineSplitOverPiecesIsCutWhenItsEndArrives) {
    Piece("tempera");
    Piece("ture: 00");
    EXPECT_TRUE(State().ReplyLine.isEmpty());
    Piece("19\r");
    EXPECT_TRUE(State().ReplyLine.isEmpty());  // CR alone ends nothing
    Piece("\n");
    EXPECT_EQ(State().ReplyLine, QStringLiteral("temperature: 0019"));
}

// Pieces that come within the gathering interval after a read wait in the port and are read together when it
// ends, by its timer or as the port is lost: nothing shows early, nothing is lost, a split line is read
// whole.
TEST_F(ReceiveFixture, PiecesWithinTheGatheringIntervalAreReadTogetherWhenItEnds) {
    Piece("first\r\n");
    EXPECT_EQ(State().ReplyLine, QStringLiteral("first"));
    t.Port.Receive("op_sta");
    t.Port.Receive("tus: 02\r\n");
    EXPECT_EQ(t.Window.TerminalContent(), QStringLiteral("first\r\n"));
    EXPECT_TRUE(WaitFor([&] { return State().ReplyLine == QStringLiteral("op_status: 02"); }, 3000));
    t.Port.Receive("last words\r\n");
    EXPECT_EQ(State().ReplyLine, QStringLiteral("op_status: 02"));
    t.Port.Lose();
    EXPECT_EQ(State().ReplyLine, QStringLiteral("last words"));
    EXPECT_EQ(t.Window.TerminalContent(), QStringLiteral("first\r\nop_status: 02\r\nlast words\r\n"));
}

TEST_F(ReceiveFixture, EmptyLinesAreRemovedUnread) {
    State().ReplyLine = QStringLiteral("before");
    Piece("\r\n\r\n");
    EXPECT_EQ(State().ReplyLine, QStringLiteral("before"));
    EXPECT_TRUE(State().ReceiveBuffer.isEmpty());
    Piece("\r\nnext line\r\n\r\n");
    EXPECT_EQ(State().ReplyLine, QStringLiteral("next line"));
    EXPECT_TRUE(State().ReceiveBuffer.isEmpty());
}

TEST_F(ReceiveFixture, OnlyCrLfEndsALineAndLoneCrOrLfStayInIt) {
    Piece("abc\rdef\r\n");
    EXPECT_EQ(State().ReplyLine, QStringLiteral("abc\rdef"));
    Piece("one\n\rtwo\ns\r\n");
    EXPECT_EQ(State().ReplyLine, QStringLiteral("one\n\rtwo\ns"));
}

TEST_F(ReceiveFixture, EveryByteValueSurvivesIntoLineAndView) {
    QByteArray all;
    for (int value = 0; value < 256; ++value) {
        all.append(static_cast<char>(value));
    }
    Piece(all + "\r\n");
    EXPECT_EQ(State().ReplyLine.toLatin1(), all);
    EXPECT_EQ(t.Window.TerminalContent().toLatin1(), all + "\r\n");
    t.Window.SyncTerminalView();
    // The view holds what was received (and shows one character for each), so trimming counts what was
    // received and copying gives it back.
    EXPECT_EQ(t.Window.TerminalText->toPlainText().toLatin1(), all + "\r\n");
}

TEST_F(ReceiveFixture, TerminalViewIsTrimmedAndStaysBounded) {
    Piece(QByteArray(10001, 'x'));
    Piece("12345");
    EXPECT_EQ(t.Window.TerminalContent().size(), 9907);
    EXPECT_TRUE(t.Window.TerminalContent().endsWith(QStringLiteral("x12345")));

    TestWindow exact;
    exact.Connected();
    exact.Port.ReceiveLater(QByteArray(10000, 'y'));
    exact.Port.ReceiveLater("12345");
    EXPECT_EQ(exact.Window.TerminalContent().size(), 10005);

    Piece(QByteArray(50000, 'z'));  // one large piece may pass the limit once...
    Piece("\r\nA");                 // ...but the next brings the view back to it
    EXPECT_EQ(t.Window.TerminalContent().size(), 10003);
    EXPECT_TRUE(t.Window.TerminalContent().endsWith(QStringLiteral("zz\r\nA")));
    t.Window.SyncTerminalView();
    EXPECT_EQ(t.Window.TerminalText->toPlainText().size(), 10003);
}

TEST_F(ReceiveFixture, WidgetCatchesUpByItselfAndThenNoTimerRuns) {
    t.Window.GUI_Tabs->setCurrentIndex(2);
    t.Window.show();
    Piece("first\r\n");
    Piece("second\r\n");
    EXPECT_TRUE(t.Window.TerminalSyncTimer.isActive());
    EXPECT_TRUE(WaitFor([&] { return !t.Window.TerminalSyncTimer.isActive(); }, 1000));
    EXPECT_EQ(t.Window.TerminalText->toPlainText(), QStringLiteral("first\r\nsecond\r\n"));
}

// Out of sight the widget is left alone, and it shows everything as soon as it comes into sight again.
TEST(TerminalView, WidgetOutOfSightCatchesUpWhenShown) {
    struct OutOfSight {
        const char* Name;
        void (*Hide)(GuiMain&);
        void (*Show)(GuiMain&);
    };
    const OutOfSight cases[] = {
        {"AnotherTab", [](GuiMain& w) { w.GUI_Tabs->setCurrentIndex(1); },
         [](GuiMain& w) { w.GUI_Tabs->setCurrentIndex(2); }},
        {"Minimised", [](GuiMain& w) { w.setWindowState(Qt::WindowMinimized); },
         [](GuiMain& w) { w.setWindowState(Qt::WindowNoState); }},
    };
    for (const OutOfSight& sight : cases) {
        SCOPED_TRACE(sight.Name);
        TestWindow t;
        t.Connected();
        t.Window.GUI_Tabs->setCurrentIndex(2);
        t.Window.show();
        t.Port.ReceiveLater("seen\r\n");
        ASSERT_TRUE(WaitFor([&] { return !t.Window.TerminalSyncTimer.isActive(); }, 1000));
        sight.Hide(t.Window);
        t.Port.ReceiveLater("unseen\r\n");
        EXPECT_FALSE(t.Window.TerminalSyncTimer.isActive());
        EXPECT_EQ(t.Window.TerminalText->toPlainText(), QStringLiteral("seen\r\n"));
        sight.Show(t.Window);
        EXPECT_EQ(t.Window.TerminalText->toPlainText(), QStringLiteral("seen\r\nunseen\r\n"));
    }
}

namespace {

// Pieces to receive, and whether the widget is synced after them.
struct Step {
    QByteArray Piece;
    int Times = 1;
    bool Sync = false;
};

struct SyncCase {
    const char* Name;
    QList<Step> Steps;
};

const SyncCase kSyncCases[] = {
    {"ManyPiecesTrimmedBeforeOneSync", {{"dbg: frame 4711 slot 2 crc ok agc 37\r\n", 400}}},
    {"TrimLargerThanTheWidgetsText", {{"abc", 1, true}, {QByteArray(10001, 'x')}, {"12"}}},
    {"TrimsEatingPartOfTheWidgetsText",
     {{QByteArray(9990, 'y'), 1, true}, {"0123456789 abcdefghij\r\n", 30}}},
    {"TrimByAnEmptyPieceOnly", {{QByteArray(10050, 'z'), 1, true}, {""}}},
    {"OnePieceFarOverTheLimit", {{"head\r\n", 1, true}, {QByteArray(50000, 'w')}, {"\r\nA"}}},
};

}  // namespace

// Whatever happened between two syncs, the widget then shows exactly the content, as it would had every piece
// been applied on its own.
TEST(TerminalView, EverySyncLeavesTheWidgetShowingExactlyTheContent) {
    for (const SyncCase& sync : kSyncCases) {
        SCOPED_TRACE(sync.Name);
        TestWindow coalesced;
        TestWindow perPiece;
        coalesced.Connected();
        perPiece.Connected();
        for (const Step& step : sync.Steps) {
            for (int time = 0; time < step.Times; ++time) {
                coalesced.Port.ReceiveLater(step.Piece);
                perPiece.Port.ReceiveLater(step.Piece);
                perPiece.Window.SyncTerminalView();
            }
            if (step.Sync) {
                EXPECT_EQ(SyncedViewText(coalesced.Window), coalesced.Window.TerminalContent());
            }
        }
        const QString shown = coalesced.Window.TerminalContent();
        EXPECT_EQ(SyncedViewText(coalesced.Window), shown);
        EXPECT_EQ(SyncedViewText(perPiece.Window), shown);
        EXPECT_EQ(perPiece.Window.TerminalContent(), coalesced.Window.TerminalContent());
    }
}

TEST_F(ReceiveFixture, BufferCapNeverCutsALineAndNothingCutIsInterpreted) {
    // A peer that never ends its line: the line is dropped whole once it passes the cap, and its rest up to
    // its CR LF (split over two pieces here) goes too.
    for (int piece = 0; piece < 3; ++piece) {
        Piece(QByteArray(700 * 1024, static_cast<char>('a' + piece)));
        EXPECT_LE(State().ReceiveBuffer.size(), 1 << 20);
    }
    Piece("ccc\r");
    Piece("\nop_status: 02\r\n");
    // Compared as a flag: a failure would otherwise print a megabyte.
    EXPECT_TRUE(State().ReplyLine == QStringLiteral("op_status: 02"))
        << State().ReplyLine.left(40).toStdString();
    EXPECT_TRUE(State().ReceiveBuffer.isEmpty());

    // Complete lines are read as they arrive, so only the unfinished line counts towards the cap: a line that
    // ends just past it is read, and so is the short banner after it.
    Piece(QByteArray((1 << 20) - 12, 'd'));
    Piece("\r\nBoot Loader Init");
    EXPECT_EQ(State().ReplyLine.size(), (1 << 20) - 12);
    Piece("ialized\r\n");
    EXPECT_EQ(State().ActiveProgram, kBootLoader);
    EXPECT_TRUE(State().ReceiveBuffer.isEmpty());

    // A line longer than the cap is never read, even when it arrives whole in one piece.
    QByteArray lines;
    for (int line = 0; lines.size() < 1100000; ++line) {
        lines += QByteArray::number(line).rightJustified(8, '0') + QByteArray(93, '.') + "\r\n";
    }
    Piece(lines + QByteArray((1 << 20) + 1, 'e') + "\r\nunfinished");
    EXPECT_EQ(State().ReplyLine, QString::fromLatin1(lines.right(103).left(101)));
    EXPECT_EQ(State().ReceiveBuffer, QStringLiteral("unfinished"));
}

// Only the line's own characters count towards the cap, so how the pieces are cut never decides whether a
// line is read: one of exactly the cap is read, one a character longer never is, and the next line is read
// either way.
TEST(ReceivePath, LineNearTheCapIsReadOrDroppedWhereverThePiecesAreCut) {
    using Pieces = QList<QByteArray>;
    struct Cut {
        const char* Name;
        Pieces (*Split)(const QByteArray& line);
    };
    const Cut cuts[] = {
        {"CrLfTogether", [](const QByteArray& line) { return Pieces{line + "\r\n"}; }},
        {"BetweenCrAndLf",
         [](const QByteArray& line) {
             return Pieces{line + "\r", "\n"};
         }},
        {"JustBeforeCr",
         [](const QByteArray& line) {
             return Pieces{line, "\r\n"};
         }},
        {"BeforeAndAfterCr",
         [](const QByteArray& line) {
             return Pieces{line, "\r", "\n"};
         }},
        {"InsideTheLineAndBetweenCrAndLf",
         [](const QByteArray& line) {
             return Pieces{line.left(4096), line.mid(4096) + "\r", "\n"};
         }},
    };
    constexpr int kCap = 1 << 20;
    for (const int length : {kCap - 1, kCap, kCap + 1}) {
        for (const Cut& cut : cuts) {
            SCOPED_TRACE(testing::Message() << cut.Name << " " << length);
            TestWindow t;
            t.Connected();
            SessionState& state = t.Window.Session.State;
            for (const QByteArray& piece : cut.Split(QByteArray(length, 'x'))) {
                t.Port.ReceiveLater(piece);
                EXPECT_LE(state.ReceiveBuffer.size(), kCap + 1);
            }
            const bool read = state.ReplyLine.size() == length;
            EXPECT_EQ(read, length <= kCap);
            t.Port.ReceiveLater("next\r\n");
            EXPECT_EQ(state.ReplyLine, QStringLiteral("next"));
            EXPECT_TRUE(state.ReceiveBuffer.isEmpty());
        }
    }
}
