// SPDX-License-Identifier: GPL-2.0-or-later
// CCharEditor: the text page's character editor. Every cell is drawn with the
// board's own glyph (what you see is what the board shows), magnified; the
// widget shows as many 16-dot rows as the item is high. Typing goes through
// the input method (composition shown at the caret), with caret, selection
// by mouse and Shift+arrows, Home/End, Backspace/Delete, line breaks, and
// cut/copy/paste of cells (with their glyph selectors) or of plain text.
// Characters the library cannot draw exactly are marked in red.
//
// The editing rules are CCellText's; this class draws and turns events into calls.
#pragma once

#include "core/cell_text.h"

#include <qvr/content.h>

#include <QBasicTimer>
#include <QImage>
#include <QWidget>

#include <vector>

class CCharEditor : public QWidget {
    Q_OBJECT
public:
    // The clipboard type of cells copied from an editor.
    static constexpr const char* kCellsMime = "application/x-lumivo-cells";

    explicit CCharEditor(lumivo::CCellText::Mode mode, QWidget* parent = nullptr);

    // The library the cells are drawn with (borrowed; null draws nothing).
    void SetContent(const CContent* content);
    // The item's height in 16-dot lines: the rows the editor shows.
    void SetLines(unsigned lines);
    unsigned Lines() const { return m_lines; }
    // The board's width in LEDs: a guide is drawn there.
    void SetBoardWidth(int leds);
    // Pixels per LED.
    int Zoom() const { return m_zoom; }

    const lumivo::CCellText& Text() const { return m_text; }
    // The glyph selector typed characters take.
    void SetCurrent(const QVXF& attr) { m_current = attr; }
    const QVXF& Current() const { return m_current; }
    // A glyph choice applied to the selection (see CCellText::Apply).
    bool ApplyChoice(lumivo::CellField field, unsigned value);
    // Cells put in at the caret (symbols, moves), within the limit.
    void InsertCells(const std::vector<CLumiChar>& cells);
    // Shows the cells of a Text or Eng2Line item.
    void Load(const CLumivo& item);

    void Copy() const;
    void Cut();
    void Paste();

    // The composition the input method shows, not yet typed.
    const QString& Preedit() const { return m_preedit; }
    // The frame the animated colours and attributes are drawn at.
    long Frame() const { return m_frame; }
    // Where cell i is drawn, in widget coordinates (empty for no such cell).
    QRect CellRect(size_t i) const;
    // Whether cell i is marked as not drawn exactly by the board.
    bool IsMarked(size_t i) const { return i < m_marked.size() && m_marked[i]; }
    // One step of the animated colours, attributes and moves: every cell is
    // painted again at the next frame (the frame timer's work).
    void NextFrame();
    // Draws the widget into painter's device as paintEvent does (benchmarks).
    void Render(QPainter& painter);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

signals:
    void textChanged();
    void cursorChanged();
    // Typing or pasting met the limit; what did not fit was left out.
    void limitReached();

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent*) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    // One drawn cell: the text's own (index) or one of the composition's (-1).
    struct Slot {
        CLumiChar cell;
        int index;
        int x, y, w, h; // in LEDs
        bool mark;      // a stand-in width: the board draws nothing here
    };
    void Relayout();       // slots, marks, LED picture; after any change
    void Compose();        // the LED picture at the current frame
    void Edited(const lumivo::CCellText::Insertion& r);
    void Moved();
    bool HandlesKey(const QKeyEvent* e) const;
    QPoint CaretPoint(size_t pos) const; // in LEDs
    QRect CaretRect(size_t pos) const;   // in widget coordinates
    size_t PositionAt(const QPoint& widgetPos) const;
    void EnsureCaretVisible();
    // The input method is told where the caret and the text now are.
    void TellInputMethod();
    void UpdateTimers();

    lumivo::CCellText m_text;
    const CContent* m_content = nullptr;
    QVXF m_current;
    QString m_preedit;
    std::vector<Slot> m_slots;
    std::vector<bool> m_marked;
    QImage m_leds;
    unsigned m_lines = 1;
    int m_boardWidth = 0;
    int m_zoom = 3;
    int m_scroll = 0; // pixels
    long m_frame = 0;
    bool m_animated = false;
    bool m_caretShown = true;
    QBasicTimer m_frameTimer;
    QBasicTimer m_blinkTimer;
};
