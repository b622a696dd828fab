#include "app/Captions.h"

#include <QFontDatabase>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

const QString kDialogFace = QStringLiteral("Liberation Sans");
constexpr qreal kDialogPointSize = 7.5;
constexpr int kFallbackPointSize = 7;

}  // namespace

QFont DialogFont() {
    // An exact check: fontconfig would otherwise hand over its default sans, which is wider.
    if (!QFontDatabase::hasFamily(kDialogFace)) {
        return FallbackDialogFont();
    }
    QFont font(kDialogFace);
    font.setPointSizeF(kDialogPointSize);
    return font;
}

QFont FallbackDialogFont() {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(kFallbackPointSize);
    return font;
}

void CaptionButton::paintEvent(QPaintEvent* /*event*/) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);  // the button and its focus frame, no caption
    const QRect room = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    painter.drawItemText(room, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, palette(),
                         isEnabled(), caption, QPalette::ButtonText);
}
