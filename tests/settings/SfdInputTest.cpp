#include "TestWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

// One key as the keyboard delivers it to the field.
void Press(QLineEdit* field, int key, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(field, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(field, &release);
}

void Type(QLineEdit* field, const QString& characters) {
    for (const QChar c : characters) {
        Press(field, c.toUpper().unicode(), QString(c));
    }
}

void Backspace(QLineEdit* field) {
    Press(field, Qt::Key_Backspace, QStringLiteral("\b"));
}

void PasteFromClipboard(QLineEdit* field, const QString& text) {
    QApplication::clipboard()->setText(text);
    field->paste();
}

class SfdInput : public ::testing::Test {
  protected:
    void SetUp() override {
        board.Running(kCpeApp);
        field = board.Window.SfdText;
    }

    TestWindow board;
    QLineEdit* field = nullptr;
};

TEST(SfdKeyPress, PassesDigitsAndBackspaceOnly) {
    TestWindow t;
    for (int code = 0; code < 256; ++code) {
        int key = code;
        const bool passes = (code >= '0' && code <= '9') || code == 8;
        EXPECT_EQ(t.Window.SfdText_KeyPress(key), passes) << code;
        EXPECT_EQ(key, passes ? code : 0) << code;
    }
}

TEST_F(SfdInput, TypedLettersSignsAndPointsAreDiscarded) {
    Type(field, QStringLiteral("1a-2.3 ,e+"));
    EXPECT_EQ(field->text(), QStringLiteral("123"));
    EXPECT_TRUE(board.Window.SfdButton->isEnabled());
    Type(field, QString(30, u'7'));  // no length limit
    EXPECT_EQ(field->text().size(), 33);
}

TEST_F(SfdInput, ErasingTheTextDisablesTheButton) {
    Type(field, QStringLiteral("42"));
    Backspace(field);
    EXPECT_EQ(field->text(), QStringLiteral("4"));
    EXPECT_TRUE(board.Window.SfdButton->isEnabled());
    Backspace(field);
    EXPECT_EQ(field->text(), QString());
    EXPECT_FALSE(board.Window.SfdButton->isEnabled());
}

TEST_F(SfdInput, EditingKeysStillWork) {
    Type(field, QStringLiteral("123"));
    Press(field, Qt::Key_Left, QString());
    Press(field, Qt::Key_Delete, QStringLiteral("\x7f"));
    EXPECT_EQ(field->text(), QStringLiteral("12"));
    Press(field, Qt::Key_Home, QString());
    Type(field, QStringLiteral("9"));
    EXPECT_EQ(field->text(), QStringLiteral("912"));
}

TEST_F(SfdInput, PastedDigitsAreTakenAndAnythingElseIsRefused) {
    Type(field, QStringLiteral("12"));
    PasteFromClipboard(field, QStringLiteral("34"));
    EXPECT_EQ(field->text(), QStringLiteral("1234"));
    for (const char* pasted : {"-5", "1.5", " 7", "abc", "0x10", "\xb2"}) {
        PasteFromClipboard(field, QString::fromLatin1(pasted));
        EXPECT_EQ(field->text(), QStringLiteral("1234")) << pasted;
    }
    QApplication::clipboard()->setText(QStringLiteral("-9"));
    Press(field, Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier);
    EXPECT_EQ(field->text(), QStringLiteral("1234"));
    field->selectAll();
    PasteFromClipboard(field, QStringLiteral("-1"));  // refusing keeps the replaced text too
    EXPECT_EQ(field->text(), QStringLiteral("1234"));
    board.Window.SfdButton->click();
    EXPECT_EQ(board.Window.Session.State.SfdValue, 255);
}

TEST_F(SfdInput, ANegativeReadBackCanBeEditedButGainsNoOtherCharacters) {
    board.Line(QStringLiteral("0000: FFFF"));
    ASSERT_EQ(field->text(), QStringLiteral("-1"));
    PasteFromClipboard(field, QStringLiteral("x"));
    EXPECT_EQ(field->text(), QStringLiteral("-1"));
    Type(field, QStringLiteral("5"));
    EXPECT_EQ(field->text(), QStringLiteral("-15"));
    Backspace(field);
    Backspace(field);
    Backspace(field);
    EXPECT_EQ(field->text(), QString());
    PasteFromClipboard(field, QStringLiteral("-3"));  // the sign is gone: digits only from here on
    EXPECT_EQ(field->text(), QString());
}

}  // namespace
