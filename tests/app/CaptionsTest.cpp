#include "TestWindow.h"
#include "app/Captions.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Where a control draws one caption, as its style lays it out.
struct Caption {
    QString Text;
    QRect Room;
    int Flags;
};

// QLineEdit and the combo box's label keep a few pixels inside the style's contents rectangle.
constexpr int kLineEditMargin = 2;
constexpr int kComboLabelMargin = 1;

QList<Caption> LabelCaptions(const QLabel* label) {
    return {{label->text(), label->contentsRect(), int(label->alignment())}};
}

QList<Caption> ButtonCaptions(const QPushButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    return {{button->text(), room, Qt::AlignCenter | Qt::TextWordWrap}};
}

QList<Caption> FrameCaptions(const QGroupBox* frame) {
    QStyleOptionGroupBox option;
    option.initFrom(frame);
    option.text = frame->title();
    option.textAlignment = frame->alignment();
    option.lineWidth = 1;
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect label =
        frame->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, frame);
    return {{frame->title(), label & frame->rect(), Qt::AlignCenter}};
}

// The closed list shows its selected entry, so every entry must fit the edit field.
QList<Caption> ListCaptions(const QComboBox* list) {
    QStyleOptionComboBox option;
    option.initFrom(list);
    option.frame = list->hasFrame();
    option.subControls = QStyle::SC_All;
    const QRect room = list->style()
                           ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list)
                           .adjusted(kComboLabelMargin, 0, -kComboLabelMargin, 0);
    QList<Caption> captions;
    for (int index = 0; index < list->count(); ++index) {
        captions.append({list->itemText(index), room, Qt::AlignLeft | Qt::AlignVCenter});
    }
    return captions;
}

QList<Caption> FieldCaptions(const QLineEdit* field) {
    QStyleOptionFrame option;
    option.initFrom(field);
    option.lineWidth = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field);
    const QRect room = field->style()
                           ->subElementRect(QStyle::SE_LineEditContents, &option, field)
                           .adjusted(kLineEditMargin, 0, -kLineEditMargin, 0);
    return {{field->text(), room, int(field->alignment())}};
}

QList<Caption> TabCaptions(const QTabWidget* tabs) {
    const QTabBar* bar = tabs->tabBar();
    QList<Caption> captions;
    for (int index = 0; index < bar->count(); ++index) {
        QStyleOptionTab option;
        option.initFrom(bar);
        option.rect = bar->tabRect(index);
        option.text = bar->tabText(index);
        option.shape = bar->shape();
        const QRect room = bar->style()->subElementRect(QStyle::SE_TabBarTabText, &option, bar) & bar->rect();
        captions.append({bar->tabText(index), room, Qt::AlignCenter});
    }
    return captions;
}

QList<Caption> CaptionsOf(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        return LabelCaptions(label);
    }
    if (const auto* button = qobject_cast<const QPushButton*>(control)) {
        return ButtonCaptions(button);
    }
    if (const auto* frame = qobject_cast<const QGroupBox*>(control)) {
        return FrameCaptions(frame);
    }
    if (const auto* list = qobject_cast<const QComboBox*>(control)) {
        return ListCaptions(list);
    }
    if (const auto* field = qobject_cast<const QLineEdit*>(control)) {
        return FieldCaptions(field);
    }
    if (const auto* tabs = qobject_cast<const QTabWidget*>(control)) {
        return TabCaptions(tabs);
    }
    return {};
}

// Shown in the layout: neither the control nor a frame around it is hidden (every tab page counts as shown).
bool Shown(const QWidget* control, const GuiMain& w) {
    for (const QWidget* widget = control; widget != &w; widget = widget->parentWidget()) {
        if (widget->isHidden() && w.GUI_Tabs->indexOf(widget) < 0) {
            return false;
        }
    }
    return true;
}

// The button as painted: the pixels its caption changes lie where the caption was measured (a pixel of
// antialiasing aside), so a caption the style cuts at the button's edge shows up too.
bool PaintedAsMeasured(QPushButton* button, const QRectF& measured) {
    const QString caption = button->text();
    const QImage with = button->grab().toImage();
    button->setText(QString());
    const QImage without = button->grab().toImage();
    button->setText(caption);
    const qreal scale = with.devicePixelRatio();
    const QRectF allowed(measured.topLeft() * scale, measured.size() * scale);
    const QRectF withAntialiasing = allowed.adjusted(-scale, -scale, scale, scale);
    for (int y = 0; y < with.height(); ++y) {
        for (int x = 0; x < with.width(); ++x) {
            if (with.pixel(x, y) != without.pixel(x, y) &&
                !withAntialiasing.contains(QPointF(x + 0.5, y + 0.5))) {
                return false;
            }
        }
    }
    return true;
}

// Every caption of a shown control of the inventory that its room cannot hold, with both sizes.
QStringList ClippedCaptions(const GuiMain& w) {
    QStringList clipped;
    for (QWidget* control : w.findChildren<QWidget*>()) {
        if (!GuiMain::Twips(control).isValid() || !Shown(control, w)) {
            continue;
        }
        const QFontMetricsF metrics(control->font());
        for (const Caption& caption : CaptionsOf(control)) {
            if (caption.Text.isEmpty()) {
                continue;
            }
            const QRectF needed = metrics.boundingRect(QRectF(caption.Room), caption.Flags, caption.Text);
            if (!QRectF(caption.Room).contains(needed)) {
                clipped << QStringLiteral("%1 \"%2\": %3x%4 in %5x%6")
                               .arg(control->objectName(), caption.Text)
                               .arg(needed.width())
                               .arg(needed.height())
                               .arg(caption.Room.width())
                               .arg(caption.Room.height());
            }
            auto* button = qobject_cast<QPushButton*>(control);
            if (button != nullptr && !PaintedAsMeasured(button, needed)) {
                clipped << QStringLiteral("%1 \"%2\": painted beyond %3x%4")
                               .arg(control->objectName(), caption.Text)
                               .arg(needed.width())
                               .arg(needed.height());
            }
        }
    }
    return clipped;
}

struct Layout {
    const char* Name;
    std::function<void(TestWindow&)> Arrange;
};

const Layout kLayouts[] = {
    {"no program", [](TestWindow& t) { t.Started(); }},
    {"boot loader", [](TestWindow& t) { t.Running(kBootLoader); }},
    {"Line Card",
     [](TestWindow& t) {
         t.Running(kLineCardApp);
         t.Line(QStringLiteral("op_status: 00000200"));           // CPE 2, the one shown, is locked
         t.Line(QStringLiteral("hook_state: 0000000000010000"));  // its line 1 off hook, line 2 on hook
         t.Line(QStringLiteral("ring_state: 0000000001000000"));  // its line 1 ringing, line 2 not
     }},
    {"CPE", [](TestWindow& t) { t.Running(kCpeApp); }},
    {"download running",
     [](TestWindow& t) {
         t.Running(kLineCardApp);
         t.Prompts.FileAnswers.push_back(QDir::temp().filePath(QStringLiteral("velmora-captions.hex")));
         t.Window.DownloadButton_Click();
     }},
    {"logging",
     [](TestWindow& t) {
         t.Running(kLineCardApp);
         t.Prompts.FileAnswers.push_back(QDir::temp().filePath(QStringLiteral("velmora-captions.log")));
         t.Window.LoggingButton_Click();
     }},
};

}  // namespace

// In the window's own face and in the one it falls back to when that face is missing.
TEST(Captions, EveryCaptionFitsItsControlInEveryLayout) {
    for (const bool fallback : {false, true}) {
        for (const Layout& layout : kLayouts) {
            SCOPED_TRACE(std::string(layout.Name) + (fallback ? ", fallback face" : ""));
            TestWindow t;
            if (fallback) {
                t.Window.setFont(FallbackDialogFont());
            }
            layout.Arrange(t);
            t.Window.show();
            EXPECT_EQ(ClippedCaptions(t.Window), QStringList());
        }
    }
    QFile::remove(QDir::temp().filePath(QStringLiteral("velmora-captions.log")));
}
