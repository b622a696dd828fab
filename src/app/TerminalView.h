#pragma once

#include <QAbstractScrollArea>
#include <QHash>
#include <QList>
#include <QRawFont>
#include <QString>

#include <array>
#include <memory>

// The terminal's read-only view: a text that grows at its end and is trimmed at its front, shown line by line
// (lines end at LF) in a fixed-pitch font. It holds the characters as received and shows each as one
// character, control characters as visible stand-ins; copying gives the received characters. Only the lines
// in sight are laid out and painted, so an edit costs the same however much text the view holds. The engineer
// can select with the mouse, copy (Ctrl+C, the context menu or the X11 selection) and scroll by wheel, keys
// or bars; the view follows the end unless scrolled away from it.
class TerminalView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TerminalView(QWidget* parent = nullptr);
    ~TerminalView() override;

    // Removes `removed` characters at the front, then appends `added`.
    void Edit(qsizetype removed, const QString& added);
    QString toPlainText() const { return text_; }  // as received
    bool isReadOnly() const { return true; }
    void Copy() const;
    void SelectAll();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    struct Layout;

    qsizetype LineCount() const { return lineStarts_.size(); }
    qsizetype LineStart(qsizetype line) const { return lineStarts_.at(line) - dropped_; }
    qsizetype LineLength(qsizetype line) const;
    int LinePitch() const;
    int VisibleLines() const;
    qint64 PositionAt(const QPoint& point);
    void UpdateScrollBars();
    void UpdateWidestLine();
    QString CopiedText() const;
    const Layout& LaidOutLine(qsizetype line, QHash<qint64, std::shared_ptr<Layout>>& inUse);
    bool SetOutInColumns(Layout& layout, const QString& text);
    void PaintLine(QPainter& painter, qsizetype line, int y, QHash<qint64, std::shared_ptr<Layout>>& inUse);

    QString text_;
    qint64 dropped_ = 0;          // characters trimmed from the front so far; positions below count from it
    QList<qint64> lineStarts_;    // where each line starts, counted as if nothing had been trimmed
    qsizetype widestLine_ = 0;    // characters in the longest line
    qint64 anchor_ = 0;           // selection, as positions that trimming does not move
    qint64 cursor_ = 0;
    bool editing_ = false;  // an edit scrolls and repaints only what it changed
    QHash<qint64, std::shared_ptr<Layout>> layouts_;  // of the lines painted last, by where they start
    QRawFont rawFont_;                                // the font's, once a line has been set out in it
    std::array<quint32, 95> asciiGlyphs_{};          // its glyphs for the characters from space to tilde
    qreal columnWidth_ = 0;
};
