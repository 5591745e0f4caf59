// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/editor/layout_strip.h"

#include "core/item_text.h"
#include "ui/qt_text.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr int kMargin = 4;
} // namespace

CLayoutStrip::CLayoutStrip(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void CLayoutStrip::SetLayout(const lumivo::CPageLayout* layout, bool koreanLibrary)
{
    m_layout = layout;
    m_korean = koreanLibrary;
    m_selected.reset();
    updateGeometry();
    setFixedHeight(sizeHint().height());
    update();
}

void CLayoutStrip::Refresh()
{
    if (m_selected && (!m_layout || *m_selected >= m_layout->Count()))
        m_selected.reset();
    update();
}

void CLayoutStrip::SetSelected(std::optional<size_t> band)
{
    if (band && (!m_layout || *band >= m_layout->Count()))
        band.reset();
    if (band == m_selected)
        return;
    m_selected = band;
    update();
    emit selectionChanged();
}

QSize CLayoutStrip::sizeHint() const
{
    const int lines = m_layout ? int(m_layout->BoardLines()) : 1;
    return {220, lines * kLinePixels + 2 * kMargin};
}

QSize CLayoutStrip::minimumSizeHint() const { return {140, sizeHint().height()}; }

QColor CLayoutStrip::BandColour(size_t band) { return band % 2 ? QColor(0x3a, 0x6e, 0xa5) : QColor(0x4f, 0x8f, 0x4a); }

QRect CLayoutStrip::BandRect(size_t band) const
{
    if (!m_layout || band >= m_layout->Count())
        return {};
    const int top = kMargin + int(m_layout->Top(band)) * kLinePixels;
    const int height = int(lumivo::ItemLines(m_layout->Items()[band])) * kLinePixels;
    return QRect(kMargin, top, width() - 2 * kMargin, height);
}

QString CLayoutStrip::BandLabel(size_t band) const
{
    if (!m_layout || band >= m_layout->Count())
        return {};
    return lumivo::FromU16(lumivo::ItemSummary(m_layout->Items()[band], m_korean));
}

void CLayoutStrip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect board(kMargin, kMargin, width() - 2 * kMargin, (m_layout ? int(m_layout->BoardLines()) : 1) * kLinePixels);
    p.fillRect(rect(), palette().window());
    p.fillRect(board, QColor(0x18, 0x18, 0x1c));
    // The board's 16-dot lines.
    p.setPen(QPen(QColor(0x50, 0x50, 0x58), 1, Qt::DotLine));
    for (int y = board.top() + kLinePixels; y < board.bottom(); y += kLinePixels)
        p.drawLine(board.left(), y, board.right(), y);
    for (size_t i = 0; m_layout && i < m_layout->Count(); ++i) {
        const QRect r = BandRect(i).intersected(board.adjusted(0, 0, 0, 1000));
        p.fillRect(r.adjusted(1, 1, -1, -1), BandColour(i));
        if (m_selected == i) {
            p.setPen(QPen(palette().highlight().color(), 3));
            p.drawRect(r.adjusted(1, 1, -2, -2));
        }
        p.setPen(Qt::white);
        p.drawText(r.adjusted(6, 2, -6, -2), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, BandLabel(i));
    }
    p.setPen(QPen(hasFocus() ? palette().highlight().color() : QColor(0x60, 0x60, 0x68), 1));
    p.drawRect(board.adjusted(0, 0, -1, -1));
}

void CLayoutStrip::mousePressEvent(QMouseEvent* e)
{
    setFocus(Qt::MouseFocusReason);
    std::optional<size_t> hit;
    for (size_t i = 0; m_layout && i < m_layout->Count(); ++i)
        if (BandRect(i).contains(e->position().toPoint()))
            hit = i;
    SetSelected(hit);
}

void CLayoutStrip::keyPressEvent(QKeyEvent* e)
{
    const size_t count = m_layout ? m_layout->Count() : 0;
    if (count == 0 || (e->key() != Qt::Key_Up && e->key() != Qt::Key_Down))
        return QWidget::keyPressEvent(e);
    if (!m_selected)
        SetSelected(e->key() == Qt::Key_Up ? count - 1 : 0);
    else if (e->key() == Qt::Key_Up && *m_selected > 0)
        SetSelected(*m_selected - 1);
    else if (e->key() == Qt::Key_Down && *m_selected + 1 < count)
        SetSelected(*m_selected + 1);
}
