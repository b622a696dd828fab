#include "app/TerminalView.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>

namespace {

constexpr int kMargin = 4;             // between the frame and the text
constexpr int kTabColumns = 8;
constexpr qreal kUnwrappedWidth = 1e6;  // a line is never wrapped
constexpr char16_t kFirstAscii = u' ';
constexpr char16_t kLastAscii = u'~';

// One visible character for every received one, so positions on screen are positions in the received text.
// CR is shown as a zero-width space (CR LF then looks like a plain line end), other control characters as
// their pictures.
QChar DisplayChar(QChar received) {
    const char16_t code = received.unicode();
    if (code == u'\n' || code == u'\t' || code >= 0xA0) {
        return received;
    }
    if (code == u'\r') {
        return QChar(0x200B);
    }
    if (code < 0x20) {
        return QChar(char16_t(0x2400 + code));
    }
    if (code == 0x7F) {
        return QChar(0x2421);
    }
    if (code >= 0x80) {
        return QChar(0xFFFD);
    }
    return received;
}

QString DisplayText(const QString& received) {
    QString shown(received.size(), Qt::Uninitialized);
    std::transform(received.cbegin(), received.cend(), shown.begin(), DisplayChar);
    return shown;
}

// The terminal's scroll bars follow every line the board prints, mostly without a visible change; repainting
// them each time cost more than painting the text. This one repaints for a change of range or value only when
// its handle or the state of its arrows changes. The view's edits pass through ranges and values that are
// never shown, so the look is compared once the edits are done.
class TerminalScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    void sliderChange(SliderChange change) override {
        if (change == SliderOrientationChange) {
            QScrollBar::sliderChange(change);
        } else if (!comparePending_) {
            comparePending_ = true;
            QMetaObject::invokeMethod(this, &TerminalScrollBar::UpdateIfLookChanged, Qt::QueuedConnection);
        }
    }
    // A press on an arrow or the page area repaints only that part, so only a paint of the whole bar shows
    // where its handle now is.
    void paintEvent(QPaintEvent* event) override {
        if (QRegion(rect()).subtracted(event->region()).isEmpty()) {
            painted_ = Look();
        }
        QScrollBar::paintEvent(event);
    }

private:
    using Appearance = std::tuple<QRect, bool, bool, bool>;

    Appearance Look() const {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
                minimum() == maximum(), value() == minimum(), value() == maximum()};
    }
    void UpdateIfLookChanged() {
        comparePending_ = false;
        if (Look() != painted_) {
            update();
        }
    }

    Appearance painted_;
    bool comparePending_ = false;
};

// Scroll bars that are always on cannot be shown or hidden by a change of range, yet the area answers every
// such change with a queued relayout that raises both bars and so repaints the whole control, at every line
// the board prints. A Qt without that relayout slot is left as it is.
void KeepScrollBarsInPlace(QAbstractScrollArea* area) {
    if (area->metaObject()->indexOfSlot("_q_showOrHideScrollBars()") < 0) {
        return;
    }
    for (QScrollBar* bar : {area->horizontalScrollBar(), area->verticalScrollBar()}) {
        QObject::disconnect(bar, SIGNAL(rangeChanged(int, int)), area, SLOT(_q_showOrHideScrollBars()));
    }
}

}  // namespace

// A line as painted, kept while the line is in sight; the last line is set out anew when it has grown. The
// board prints plain ASCII: such a line is set out in columns, its glyphs one column width apart, which costs
// far less than shaping it. Any other line is shaped as text.
struct TerminalView::Layout {
    qsizetype Length = 0;
    QList<int> Columns;  // in columns: where each character starts, then where the line ends
    QGlyphRun Glyphs;
    std::optional<QTextLayout> Shaped;
};

TerminalView::TerminalView(QWidget* parent) : QAbstractScrollArea(parent) {
    lineStarts_ << 0;
    setHorizontalScrollBar(new TerminalScrollBar);
    setVerticalScrollBar(new TerminalScrollBar);
    KeepScrollBarsInPlace(this);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::IBeamCursor);
    UpdateScrollBars();
}

TerminalView::~TerminalView() = default;

void TerminalView::Edit(qsizetype removed, const QString& added) {
    QScrollBar* bar = verticalScrollBar();
    const int firstShown = bar->value();
    const int leftShown = horizontalScrollBar()->value();
    const bool following = firstShown >= bar->maximum();
    const qsizetype linesBefore = LineCount();
    removed = std::min(removed, text_.size());
    text_.remove(0, removed);
    dropped_ += removed;
    int linesGone = 0;
    while (lineStarts_.size() > 1 && lineStarts_.at(1) <= dropped_) {
        lineStarts_.removeFirst();
        ++linesGone;
    }
    lineStarts_.first() = std::max(lineStarts_.first(), dropped_);
    const qint64 end = dropped_ + text_.size();
    text_.append(added);
    for (qsizetype at = added.indexOf(u'\n'); at >= 0; at = added.indexOf(u'\n', at + 1)) {
        lineStarts_.append(end + at + 1);
    }
    anchor_ = std::max(anchor_, dropped_);
    cursor_ = std::max(cursor_, dropped_);
    UpdateWidestLine();
    editing_ = true;
    UpdateScrollBars();
    // Scrolled up, the engineer keeps the same lines in sight while the oldest go.
    bar->setValue(following ? bar->maximum() : firstShown - linesGone);
    editing_ = false;
    const int shift = bar->value() + linesGone - firstShown;  // rows the text moved up
    const bool frontShown = removed > 0 && bar->value() == 0;
    if (shift < 0 || frontShown || horizontalScrollBar()->value() != leftShown) {
        viewport()->update();
        return;
    }
    // The lines in sight moved up unchanged: they are moved, and only the last line before the edit and those
    // after it are painted.
    const int pitch = LinePitch();
    if (shift > 0) {
        viewport()->scroll(0, -shift * pitch);
    }
    const auto changedRow = static_cast<int>(linesBefore - 1 - linesGone - bar->value());
    viewport()->update(QRect(0, changedRow * pitch, viewport()->width(), viewport()->height()));
}

// The selected characters as received, for pasting into an editor, a bug report or grep: a CR LF line end is
// given as a plain LF, which Qt turns into the platform's own line end (CR LF on Windows), since a CR left in
// front of it shows as ^M in many Unix tools and keeps grep's $ from matching. A CR whose LF is not selected
// goes too, so a line dragged to its end comes without a stray CR. NULs are left out: clipboard text is
// handed to other programs as a NUL-terminated string on Windows and in many X11 programs, which would end
// the pasted text at the first one. Every other character is copied as received, a lone CR included.
QString TerminalView::CopiedText() const {
    const qint64 from = std::min(anchor_, cursor_) - dropped_;
    const qint64 to = std::max(anchor_, cursor_) - dropped_;
    QString copied;
    copied.reserve(to - from);
    for (qint64 at = from; at < to; ++at) {
        const QChar character = text_.at(at);
        const bool lineEndCr = character == u'\r' && at + 1 < text_.size() && text_.at(at + 1) == u'\n';
        if (character != u'\0' && !lineEndCr) {
            copied.append(character);
        }
    }
    return copied;
}

void TerminalView::Copy() const {
    const QString copied = CopiedText();
    if (!copied.isEmpty()) {
        QGuiApplication::clipboard()->setText(copied);
    }
}

void TerminalView::SelectAll() {
    anchor_ = dropped_;
    cursor_ = dropped_ + text_.size();
    viewport()->update();
}

qsizetype TerminalView::LineLength(qsizetype line) const {
    const qint64 end = line + 1 < LineCount() ? lineStarts_.at(line + 1) - 1 : dropped_ + text_.size();
    return end - lineStarts_.at(line);
}

int TerminalView::LinePitch() const { return fontMetrics().lineSpacing(); }

int TerminalView::VisibleLines() const { return std::max(1, viewport()->height() / LinePitch()); }

void TerminalView::UpdateWidestLine() {
    widestLine_ = 0;
    for (qsizetype line = 0; line < LineCount(); ++line) {
        widestLine_ = std::max(widestLine_, LineLength(line));
    }
}

void TerminalView::UpdateScrollBars() {
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, static_cast<int>(std::max<qsizetype>(0, LineCount() - VisibleLines())));
    vertical->setPageStep(VisibleLines());
    const int column = fontMetrics().horizontalAdvance(u'M');
    const int width = static_cast<int>(widestLine_) * column + 2 * kMargin;
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, width - viewport()->width()));
    horizontal->setPageStep(viewport()->width());
    horizontal->setSingleStep(column);
}

const TerminalView::Layout& TerminalView::LaidOutLine(qsizetype line,
                                                      QHash<qint64, std::shared_ptr<Layout>>& inUse) {
    const qint64 start = lineStarts_.at(line);
    const qsizetype length = LineLength(line);
    std::shared_ptr<Layout> layout = layouts_.value(start);
    if (!layout || layout->Length != length) {
        layout = std::make_shared<Layout>();
        layout->Length = length;
        const QString text = text_.mid(LineStart(line), length);
        if (!SetOutInColumns(*layout, text)) {
            QTextLayout& shaped = layout->Shaped.emplace(DisplayText(text), font());
            QTextOption option;
            option.setWrapMode(QTextOption::NoWrap);
            option.setTabStopDistance(kTabColumns * fontMetrics().horizontalAdvance(u'M'));
            shaped.setTextOption(option);
            shaped.setCacheEnabled(true);
            shaped.beginLayout();
            QTextLine textLine = shaped.createLine();
            if (textLine.isValid()) {
                textLine.setLineWidth(kUnwrappedWidth);
            }
            shaped.endLayout();
        }
    }
    inUse.insert(start, layout);
    return *layout;
}

// Sets out a line of printable ASCII, tabs and CRs in columns; false for any other line, or when the font
// lacks a glyph for one of its characters.
bool TerminalView::SetOutInColumns(Layout& layout, const QString& text) {
    if (!rawFont_.isValid()) {
        rawFont_ = QRawFont::fromFont(font());
        QString ascii;
        for (char16_t code = kFirstAscii; code <= kLastAscii; ++code) {
            ascii.append(QChar(code));
        }
        const QList<quint32> glyphs = rawFont_.glyphIndexesForString(ascii);
        std::fill(asciiGlyphs_.begin(), asciiGlyphs_.end(), 0);
        std::copy_n(glyphs.cbegin(), std::min<qsizetype>(glyphs.size(), asciiGlyphs_.size()), asciiGlyphs_.begin());
        columnWidth_ = QFontMetricsF(font()).horizontalAdvance(u'M');
    }
    if (columnWidth_ <= 0) {
        return false;
    }
    QList<quint32> glyphs;
    QList<QPointF> positions;
    int column = 0;
    for (const QChar character : text) {
        layout.Columns << column;
        const char16_t code = character.unicode();
        if (code == u'\t') {
            column = (column / kTabColumns + 1) * kTabColumns;
        } else if (code >= kFirstAscii && code <= kLastAscii && asciiGlyphs_.at(code - kFirstAscii) != 0) {
            glyphs << asciiGlyphs_.at(code - kFirstAscii);
            positions << QPointF(column * columnWidth_, 0);
            ++column;
        } else if (code != u'\r') {
            layout.Columns.clear();
            return false;
        }
    }
    layout.Columns << column;
    layout.Glyphs.setRawFont(rawFont_);
    layout.Glyphs.setGlyphIndexes(glyphs);
    layout.Glyphs.setPositions(positions);
    return true;
}

void TerminalView::PaintLine(QPainter& painter, qsizetype line, int y,
                             QHash<qint64, std::shared_ptr<Layout>>& inUse) {
    const Layout& layout = LaidOutLine(line, inUse);
    const qint64 start = lineStarts_.at(line);
    const auto from = static_cast<int>(std::max(std::min(anchor_, cursor_), start) - start);
    const auto to = static_cast<int>(std::min(std::max(anchor_, cursor_), start + layout.Length) - start);
    const qreal left = kMargin - horizontalScrollBar()->value();
    if (!layout.Shaped) {
        const QPointF baseline(left, y + fontMetrics().ascent());
        painter.drawGlyphRun(baseline, layout.Glyphs);
        if (from < to) {
            const qreal selectedLeft = left + layout.Columns.at(from) * columnWidth_;
            const QRectF selected(selectedLeft, y, (layout.Columns.at(to) - layout.Columns.at(from)) * columnWidth_,
                                  fontMetrics().height());
            painter.save();
            painter.fillRect(selected, palette().brush(QPalette::Highlight));
            painter.setClipRect(selected);
            painter.setPen(palette().color(QPalette::HighlightedText));
            painter.drawGlyphRun(baseline, layout.Glyphs);
            painter.restore();
        }
        return;
    }
    QList<QTextLayout::FormatRange> selection;
    if (from < to) {
        QTextLayout::FormatRange range;
        range.start = from;
        range.length = to - from;
        range.format.setBackground(palette().brush(QPalette::Highlight));
        range.format.setForeground(palette().brush(QPalette::HighlightedText));
        selection << range;
    }
    // Baselines a line pitch apart, though a glyph from a fallback font may make a line's own ascent larger.
    const qreal baseline = y + fontMetrics().ascent() - layout.Shaped->lineAt(0).ascent();
    layout.Shaped->draw(&painter, QPointF(left, baseline), selection);
}

// Lays out and paints the lines the paint reaches, and their neighbours, whose glyphs may reach into it; the
// shapes of lines out of sight are dropped.
void TerminalView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    const int pitch = LinePitch();
    const qsizetype first = verticalScrollBar()->value();
    QHash<qint64, std::shared_ptr<Layout>> inUse;
    for (qsizetype line = first + std::max(0, event->rect().top() / pitch - 1); line < LineCount(); ++line) {
        const int y = static_cast<int>(line - first) * pitch;
        if (y > event->rect().bottom() + pitch) {
            break;
        }
        PaintLine(painter, line, y, inUse);
    }
    layouts_.swap(inUse);
}

void TerminalView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void TerminalView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        layouts_.clear();
        rawFont_ = QRawFont();
        UpdateScrollBars();
        viewport()->update();
    }
}

void TerminalView::scrollContentsBy(int, int) {
    if (!editing_) {
        viewport()->update();
    }
}

qint64 TerminalView::PositionAt(const QPoint& point) {
    const int row = point.y() < 0 ? -1 : point.y() / LinePitch();
    const qsizetype line = std::clamp<qsizetype>(verticalScrollBar()->value() + row, 0, LineCount() - 1);
    const Layout& layout = LaidOutLine(line, layouts_);
    const qreal x = point.x() - kMargin + horizontalScrollBar()->value();
    if (layout.Shaped) {
        const QTextLine textLine = layout.Shaped->lineAt(0);
        return lineStarts_.at(line) + (textLine.isValid() ? textLine.xToCursor(x) : 0);
    }
    // The nearest character boundary, inside a tab's blank too; past the end, after the line's CR.
    const qreal column = x / columnWidth_;
    const auto columns = layout.Columns.cbegin();
    auto boundary = layout.Columns.cend() - 1;
    if (std::lround(column) < *boundary) {
        boundary = std::lower_bound(columns, boundary, column);
        if (boundary != columns && column - *(boundary - 1) < *boundary - column) {
            boundary = std::lower_bound(columns, boundary, *(boundary - 1));  // the first of a zero-width run
        }
    }
    return lineStarts_.at(line) + (boundary - columns);
}

void TerminalView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    cursor_ = PositionAt(event->position().toPoint());
    if (!event->modifiers().testFlag(Qt::ShiftModifier)) {
        anchor_ = cursor_;
    }
    viewport()->update();
}

// Dragging past the top or bottom scrolls on, a line per move.
void TerminalView::mouseMoveEvent(QMouseEvent* event) {
    if (!event->buttons().testFlag(Qt::LeftButton)) {
        return;
    }
    const QPoint point = event->position().toPoint();
    if (point.y() < 0) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    } else if (point.y() >= viewport()->height()) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    }
    cursor_ = PositionAt(point);
    viewport()->update();
}

// As in other text views on X11, a selection made with the mouse can be pasted with the middle button.
void TerminalView::mouseReleaseEvent(QMouseEvent* event) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (event->button() == Qt::LeftButton && anchor_ != cursor_ && clipboard->supportsSelection()) {
        clipboard->setText(CopiedText(), QClipboard::Selection);
    }
}

void TerminalView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        Copy();
    } else if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
    } else if (event->matches(QKeySequence::MoveToStartOfDocument)) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    } else if (event->matches(QKeySequence::MoveToEndOfDocument)) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    } else {
        QAbstractScrollArea::keyPressEvent(event);  // arrows and page keys scroll
    }
}

void TerminalView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copy = menu.addAction(tr("&Copy"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(anchor_ != cursor_);
    connect(copy, &QAction::triggered, this, [this] { Copy(); });
    menu.addSeparator();
    QAction* selectAll = menu.addAction(tr("Select All"));
    selectAll->setShortcut(QKeySequence::SelectAll);
    selectAll->setEnabled(!text_.isEmpty());
    connect(selectAll, &QAction::triggered, this, &TerminalView::SelectAll);
    menu.exec(event->globalPos());
}
