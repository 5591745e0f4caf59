// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/editor/char_editor.h"

#include "core/cell_glyph.h"
#include "core/item_builder.h"
#include "ui/editor/glyph_image.h"

#include <qvr/glyph.h>

#include <QApplication>
#include <QClipboard>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QStyleHints>

#include <algorithm>

using lumivo::CCellText;

namespace {

constexpr int kMargin = 4;      // pixels around the LEDs
constexpr int kBreakWidth = 6;  // LEDs: the mark of a line break in a Text item
constexpr int kMarkWidth = 4;   // LEDs: the mark of a cell the board draws with no width
constexpr int kFrameMs = 35;    // one engine step at the default speed
const QColor kBackground(0x20, 0x20, 0x24);
const QColor kSelection(60, 120, 255, 110);
const QColor kMarkColour(235, 50, 50);

bool IsBreak(const CLumiChar& c) { return c.code == CCellText::kLineBreak && c.attr.kind != 5; }

bool Animated(const CLumiChar& c)
{
    if (c.attr.kind == 5)
        return true;
    return (c.attr.color < qvr::kColorRows && gQvxfColor[c.attr.color][1] > 1) ||
           (c.attr.attrib < qvr::kAttribRows && gQvxfAttrib[c.attr.attrib][1] > 1);
}

bool Printable(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (QChar ch : text)
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7F)
            return false;
    return true;
}

} // namespace

CCharEditor::CCharEditor(CCellText::Mode mode, QWidget* parent) : QWidget(parent), m_text(mode)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::IBeamCursor);
    m_current.Initialize(mode == CCellText::Mode::Eng2Line ? LUMIVO_ENG2LINE : LUMIVO_TEXT);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    Relayout();
}

void CCharEditor::SetContent(const CContent* content)
{
    m_content = content;
    Relayout();
    update();
}

void CCharEditor::SetLines(unsigned lines)
{
    m_lines = std::clamp(lines, 1u, 7u);
    updateGeometry();
    setFixedHeight(sizeHint().height());
    Relayout();
    update();
}

void CCharEditor::SetBoardWidth(int leds)
{
    m_boardWidth = std::max(leds, 0);
    update();
}

QSize CCharEditor::sizeHint() const { return {600, int(m_lines) * 16 * m_zoom + 2 * kMargin}; }

QSize CCharEditor::minimumSizeHint() const { return {120, sizeHint().height()}; }

bool CCharEditor::ApplyChoice(lumivo::CellField field, unsigned value)
{
    if (!m_text.Apply(field, value))
        return false;
    Edited({});
    return true;
}

void CCharEditor::InsertCells(const std::vector<CLumiChar>& cells)
{
    std::vector<CLumiChar> fitting;
    for (CLumiChar c : cells)
        if (m_text.Adapt(c, m_current))
            fitting.push_back(c);
    Edited(m_text.Insert(fitting));
}

void CCharEditor::Load(const CLumivo& item)
{
    m_text.Load(item);
    // An item opened for editing is read from its start.
    m_text.SetCaret(0);
    m_preedit.clear();
    m_scroll = 0;
    Edited({});
}

void CCharEditor::Copy() const
{
    if (!m_text.HasSelection())
        return;
    const std::vector<CLumiChar> cells = m_text.Selected();
    const std::vector<uint8_t> bytes = lumivo::EncodeCells(cells);
    auto* mime = new QMimeData;
    mime->setData(QLatin1String(kCellsMime), QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
    mime->setText(QString::fromStdU16String(lumivo::CellsText(cells)));
    QGuiApplication::clipboard()->setMimeData(mime);
}

void CCharEditor::Cut()
{
    if (!m_text.HasSelection())
        return;
    Copy();
    if (m_text.Erase(false))
        Edited({});
}

void CCharEditor::Paste()
{
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime)
        return;
    if (mime->hasFormat(QLatin1String(kCellsMime))) {
        // Never more records than a full editor holds (and one to notice the overflow).
        const QByteArray bytes = mime->data(QLatin1String(kCellsMime));
        InsertCells(lumivo::DecodeCells(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()),
                                        2 * m_text.Limit() + 2));
    } else if (mime->hasText()) {
        const QString text = mime->text().left(int(4 * lumivo::kMaxItemChars));
        Edited(m_text.InsertText(text.toStdU16String(), m_current));
    }
}

void CCharEditor::Edited(const CCellText::Insertion& r)
{
    Relayout();
    EnsureCaretVisible();
    m_caretShown = true;
    update();
    TellInputMethod();
    emit textChanged();
    emit cursorChanged();
    if (r.limited) {
        QApplication::beep();
        emit limitReached();
    }
}

void CCharEditor::Moved()
{
    if (!m_preedit.isEmpty())
        Relayout();
    EnsureCaretVisible();
    m_caretShown = true;
    update();
    TellInputMethod();
    emit cursorChanged();
}

QRect CCharEditor::CaretRect(size_t pos) const
{
    const QPoint c = CaretPoint(pos);
    const int h = (m_text.GetMode() == CCellText::Mode::Eng2Line ? 8 : int(m_lines) * 16) * m_zoom;
    return QRect(kMargin - m_scroll + c.x() * m_zoom, kMargin + c.y() * m_zoom, 2, h);
}

void CCharEditor::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    EnsureCaretVisible();
    TellInputMethod();
}

void CCharEditor::TellInputMethod()
{
    // A candidate list opens where the caret is only when the input method
    // hears of every move (the caret, the text, the scroll).
    if (hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle | Qt::ImAnchorRectangle | Qt::ImCursorPosition |
                                               Qt::ImAnchorPosition | Qt::ImSurroundingText | Qt::ImCurrentSelection);
}

void CCharEditor::Relayout()
{
    const bool two = m_text.GetMode() == CCellText::Mode::Eng2Line;
    const std::vector<CLumiChar>& cells = m_text.Cells();
    std::vector<CLumiChar> preedit;
    for (QChar ch : m_preedit)
        preedit.push_back(m_text.MakeCell(ch.unicode(), m_current));

    m_slots.clear();
    m_marked.assign(cells.size(), false);
    int x[2] = {0, 0};
    int line = 0;
    m_animated = false;
    auto place = [&](const CLumiChar& c, int index) {
        const bool isBreak = IsBreak(c) && index >= 0;
        if (two && isBreak) {
            m_slots.push_back({c, index, x[0], 0, 0, 8, false});
            line = 1;
            return;
        }
        QSize s = m_content ? lumivo::CellSize(*m_content, c) : QSize();
        const bool mark = s.isEmpty();
        const int rowHeight = two ? 8 : int(m_lines) * 16;
        if (mark)
            s = QSize(isBreak ? kBreakWidth : kMarkWidth, rowHeight);
        m_slots.push_back({c, index, x[line], two ? line * 8 : 0, s.width(), s.height(), mark});
        x[line] += s.width();
        m_animated |= Animated(c);
        if (index >= 0)
            m_marked[size_t(index)] = !isBreak && (mark || !m_content ||
                                                   lumivo::CheckGlyph(*m_content, c) != lumivo::GlyphFit::Exact);
    };
    for (size_t i = 0; i <= cells.size(); ++i) {
        if (i == m_text.Caret())
            for (const CLumiChar& c : preedit)
                place(c, -1);
        if (i < cells.size())
            place(cells[i], int(i));
    }
    Compose();
    UpdateTimers();
}

void CCharEditor::Compose()
{
    int width = std::max(m_boardWidth, 1);
    for (const Slot& s : m_slots)
        width = std::max(width, s.x + s.w);
    const QSize size(width, int(m_lines) * 16);
    if (m_leds.size() != size)
        m_leds = QImage(size, QImage::Format_RGB32);
    m_leds.fill(Qt::black);
    if (!m_content)
        return;
    for (const Slot& s : m_slots)
        if (s.w > 0 && !s.mark)
            lumivo::PaintCellInto(*m_content, s.cell, m_frame, m_leds, s.x, s.y);
}

QPoint CCharEditor::CaretPoint(size_t pos) const
{
    // The caret stands after the slot before it (the composition included).
    const Slot* before = nullptr;
    size_t seen = 0;
    for (const Slot& s : m_slots) {
        if (s.index >= 0) {
            if (seen == pos)
                break;
            ++seen;
        }
        before = &s;
    }
    if (!before)
        return {0, 0};
    if (before->index >= 0 && IsBreak(before->cell) && m_text.GetMode() == CCellText::Mode::Eng2Line)
        return {0, 8};
    return {before->x + before->w, before->y};
}

size_t CCharEditor::PositionAt(const QPoint& p) const
{
    const bool two = m_text.GetMode() == CCellText::Mode::Eng2Line;
    const double lx = double(p.x() + m_scroll - kMargin) / m_zoom;
    const int ly = (p.y() - kMargin) / m_zoom;
    const size_t k = m_text.LineEnd(0);
    const size_t first = two && ly >= 8 && k < m_text.Size() ? k + 1 : 0;
    const size_t last = m_text.LineEnd(first);
    size_t best = first;
    double bestDist = 1e9;
    for (size_t pos = first; pos <= last; ++pos) {
        const double d = std::abs(CaretPoint(pos).x() - lx);
        if (d < bestDist) {
            bestDist = d;
            best = pos;
        }
    }
    return best;
}

QRect CCharEditor::CellRect(size_t i) const
{
    for (const Slot& s : m_slots)
        if (s.index == int(i))
            return QRect(kMargin - m_scroll + s.x * m_zoom, kMargin + s.y * m_zoom, s.w * m_zoom, s.h * m_zoom);
    return {};
}

void CCharEditor::EnsureCaretVisible()
{
    const int visible = std::max(width() - 2 * kMargin, 1);
    const int cx = CaretPoint(m_text.Caret()).x() * m_zoom;
    if (cx - m_scroll < 0)
        m_scroll = std::max(0, cx - visible / 4);
    else if (cx - m_scroll > visible - 2)
        m_scroll = cx - visible * 3 / 4;
}

void CCharEditor::UpdateTimers()
{
    if (m_animated && isVisible()) {
        if (!m_frameTimer.isActive())
            m_frameTimer.start(kFrameMs, this);
    } else {
        m_frameTimer.stop();
    }
}

void CCharEditor::NextFrame()
{
    ++m_frame;
    Compose();
}

void CCharEditor::timerEvent(QTimerEvent* e)
{
    if (e->timerId() == m_frameTimer.timerId()) {
        NextFrame();
        update();
    } else if (e->timerId() == m_blinkTimer.timerId()) {
        m_caretShown = !m_caretShown;
        update();
    } else {
        QWidget::timerEvent(e);
    }
}

void CCharEditor::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    UpdateTimers();
}

void CCharEditor::hideEvent(QHideEvent* e)
{
    QWidget::hideEvent(e);
    m_frameTimer.stop();
}

void CCharEditor::focusInEvent(QFocusEvent* e)
{
    QWidget::focusInEvent(e);
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (flash > 0)
        m_blinkTimer.start(flash / 2, this);
    m_caretShown = true;
    update();
    TellInputMethod();
}

void CCharEditor::focusOutEvent(QFocusEvent* e)
{
    QWidget::focusOutEvent(e);
    m_blinkTimer.stop();
    update();
}

void CCharEditor::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    Render(p);
}

void CCharEditor::Render(QPainter& p)
{
    const bool two = m_text.GetMode() == CCellText::Mode::Eng2Line;
    const int z = m_zoom;
    const int rowHeight = (two ? 8 : int(m_lines) * 16) * z;
    p.fillRect(rect(), kBackground);
    const QRect area(kMargin, kMargin, width() - 2 * kMargin, int(m_lines) * 16 * z);
    p.setClipRect(area);
    p.drawImage(QRect(kMargin - m_scroll, kMargin, m_leds.width() * z, m_leds.height() * z), m_leds);
    auto slotRect = [&](const Slot& s) {
        return QRect(kMargin - m_scroll + s.x * z, kMargin + s.y * z, std::max(s.w * z, 1), rowHeight);
    };

    const size_t selB = m_text.SelectionBegin(), selE = m_text.SelectionEnd();
    int hiddenFrom = -1; // Text: what follows a line break is not on the board
    for (const Slot& s : m_slots) {
        const QRect r = slotRect(s);
        if (s.index >= 0 && size_t(s.index) >= selB && size_t(s.index) < selE)
            p.fillRect(r, kSelection);
        if (s.mark) {
            p.setPen(QPen(IsBreak(s.cell) ? QColor(150, 150, 150) : kMarkColour, 1, Qt::DotLine));
            p.drawRect(r.adjusted(1, 1, -2, -2));
            if (IsBreak(s.cell)) {
                const int mx = r.center().x(), my = r.center().y();
                p.drawLine(r.right() - 3, r.top() + 4, r.right() - 3, my);
                p.drawLine(r.right() - 3, my, r.left() + 3, my);
                p.drawLine(r.left() + 3, my, mx, my - 4);
            }
        }
        if (s.index >= 0 && m_marked[size_t(s.index)])
            p.fillRect(QRect(r.left(), r.bottom() - 2, r.width(), 3), kMarkColour);
        if (s.index < 0)
            p.fillRect(QRect(r.left(), r.bottom() - 1, r.width(), 2), Qt::white);
        if (!two && hiddenFrom < 0 && s.index >= 0 && IsBreak(s.cell))
            hiddenFrom = r.right() + 1;
    }
    if (hiddenFrom >= 0)
        p.fillRect(QRect(hiddenFrom, area.top(), area.right() - hiddenFrom + 1, area.height()), QColor(20, 20, 24, 170));
    if (m_boardWidth > 0) {
        p.setPen(QPen(QColor(90, 90, 100), 1, Qt::DashLine));
        const int gx = kMargin - m_scroll + m_boardWidth * z;
        p.drawLine(gx, area.top(), gx, area.bottom());
    }
    if (hasFocus() && m_caretShown) {
        const QPoint c = CaretPoint(m_text.Caret());
        p.fillRect(QRect(kMargin - m_scroll + c.x() * z - 1, kMargin + c.y() * z, 2, rowHeight), Qt::white);
    }
}

namespace {

// Ctrl+Y redoes too, as in the project's own undo, whatever the platform's
// redo key is.
bool IsRedoKey(const QKeyEvent* e)
{
    return e->key() == Qt::Key_Y && (e->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
}

} // namespace

bool CCharEditor::HandlesKey(const QKeyEvent* e) const
{
    for (auto k : {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste, QKeySequence::SelectAll,
                   QKeySequence::Undo, QKeySequence::Redo})
        if (e->matches(k))
            return true;
    if (IsRedoKey(e))
        return true;
    const Qt::KeyboardModifiers mods = e->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    switch (e->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
        return mods == Qt::NoModifier || mods == Qt::ControlModifier;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return mods == Qt::NoModifier;
    default:
        return !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) && Printable(e->text());
    }
}

bool CCharEditor::event(QEvent* e)
{
    // Keys the editor types or moves with are its own, not a shortcut's.
    if (e->type() == QEvent::ShortcutOverride && HandlesKey(static_cast<QKeyEvent*>(e))) {
        e->accept();
        return true;
    }
    return QWidget::event(e);
}

void CCharEditor::keyPressEvent(QKeyEvent* e)
{
    if (!HandlesKey(e)) {
        e->ignore();
        return;
    }
    if (e->matches(QKeySequence::Copy))
        return Copy();
    if (e->matches(QKeySequence::Cut))
        return Cut();
    if (e->matches(QKeySequence::Paste))
        return Paste();
    if (e->matches(QKeySequence::SelectAll)) {
        m_text.SelectAll();
        return Moved();
    }
    if (e->matches(QKeySequence::Undo) || e->matches(QKeySequence::Redo) || IsRedoKey(e)) {
        const bool undo = e->matches(QKeySequence::Undo);
        if (undo ? m_text.Undo() : m_text.Redo()) {
            m_preedit.clear();
            Edited({});
        } else {
            QApplication::beep();
        }
        return;
    }
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    const size_t caret = m_text.Caret();
    switch (e->key()) {
    case Qt::Key_Left:
        m_text.SetCaret(m_text.HasSelection() && !shift ? m_text.SelectionBegin() : (caret ? caret - 1 : 0), shift);
        return Moved();
    case Qt::Key_Right:
        m_text.SetCaret(m_text.HasSelection() && !shift ? m_text.SelectionEnd() : caret + 1, shift);
        return Moved();
    case Qt::Key_Up:
    case Qt::Key_Down:
        m_text.SetCaret(m_text.OtherLine(caret), shift);
        return Moved();
    case Qt::Key_Home:
        m_text.SetCaret(ctrl ? 0 : m_text.LineStart(caret), shift);
        return Moved();
    case Qt::Key_End:
        m_text.SetCaret(ctrl ? m_text.Size() : m_text.LineEnd(caret), shift);
        return Moved();
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        if (m_text.Erase(e->key() == Qt::Key_Delete))
            Edited({});
        else
            QApplication::beep();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Edited(m_text.InsertText(u"\n", m_current));
    default:
        return Edited(m_text.InsertText(e->text().toStdU16String(), m_current));
    }
}

void CCharEditor::inputMethodEvent(QInputMethodEvent* e)
{
    m_preedit = e->preeditString();
    if (e->replacementLength() > 0) {
        // The commit replaces cells around the caret (a reconversion, or a
        // correction of what was typed): those cells become the selection.
        const long long from = std::clamp<long long>(
            static_cast<long long>(m_text.Caret()) + e->replacementStart(), 0, static_cast<long long>(m_text.Size()));
        m_text.SetCaret(static_cast<size_t>(from));
        m_text.SetCaret(static_cast<size_t>(from + e->replacementLength()), true);
        if (e->commitString().isEmpty() && m_text.HasSelection() && m_text.Erase(false))
            Edited({});
    }
    if (!e->commitString().isEmpty()) {
        Edited(m_text.InsertText(e->commitString().toStdU16String(), m_current));
    } else {
        Relayout();
        Moved();
    }
    e->accept();
}

QVariant CCharEditor::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorRectangle:
        return CaretRect(m_text.Caret());
    case Qt::ImAnchorRectangle:
        return CaretRect(m_text.Anchor());
    case Qt::ImCursorPosition:
        return int(m_text.Caret());
    case Qt::ImAnchorPosition:
        return int(m_text.Anchor());
    case Qt::ImSurroundingText:
        return QString::fromStdU16String(m_text.Text());
    case Qt::ImCurrentSelection:
        return QString::fromStdU16String(lumivo::CellsText(m_text.Selected()));
    case Qt::ImHints:
        return int(Qt::ImhMultiLine);
    default:
        return QWidget::inputMethodQuery(query);
    }
}

void CCharEditor::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(e);
    setFocus(Qt::MouseFocusReason);
    m_text.SetCaret(PositionAt(e->position().toPoint()), e->modifiers() & Qt::ShiftModifier);
    Moved();
}

void CCharEditor::mouseMoveEvent(QMouseEvent* e)
{
    if (!(e->buttons() & Qt::LeftButton))
        return;
    m_text.SetCaret(PositionAt(e->position().toPoint()), true);
    Moved();
}
