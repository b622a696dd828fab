#include "app/SfdInput.h"

#include "app/GuiMain.h"

#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>

namespace {

constexpr char16_t kBackspace = 8;

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Keys that type a character (or Backspace). Editing keys and shortcuts type nothing themselves; what a paste
// shortcut brings in is checked as an edit.
bool TypesCharacter(const QString& keyText) {
    return keyText.size() == 1 && (keyText.at(0) == QChar(kBackspace) || keyText.at(0).isPrint());
}

// Digits only; a leading "-" may stay while the text before held one, since a read-back can show a negative
// value that the engineer then edits.
bool AcceptableEdit(const QString& before, QStringView after) {
    if (before.startsWith(u'-') && after.startsWith(u'-')) {
        after = after.mid(1);
    }
    return std::all_of(after.begin(), after.end(), IsDigit);
}

}  // namespace

SfdInputFilter::SfdInputFilter(GuiMain& window, QLineEdit& field)
    : QObject(&field), window_(window), field_(field), accepted_(field.text()) {
    field.installEventFilter(this);
    // The field emits textEdited before textChanged, so accepted_ still holds the text before the edit.
    connect(&field, &QLineEdit::textEdited, this, &SfdInputFilter::CheckEdit);
    connect(&field, &QLineEdit::textChanged, this, [this] { accepted_ = field_.text(); });
}

bool SfdInputFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const QString keyText = static_cast<QKeyEvent*>(event)->text();
        if (TypesCharacter(keyText)) {
            int keyAscii = keyText.at(0).unicode();
            if (!window_.SfdText_KeyPress(keyAscii)) {
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void SfdInputFilter::CheckEdit(const QString& edited) {
    if (AcceptableEdit(accepted_, edited)) {
        return;
    }
    const QString before = accepted_;
    const qsizetype cursor = field_.cursorPosition() - (edited.size() - before.size());
    field_.setText(before);
    field_.setCursorPosition(static_cast<int>(std::clamp<qsizetype>(cursor, 0, before.size())));
}

void GuiMain::InstallSfdInputFilter() {
    new SfdInputFilter(*this, *SfdText);
}
