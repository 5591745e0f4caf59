// SPDX-License-Identifier: GPL-2.0-or-later
// CLayoutStrip: the Ad editor's picture of the page being laid out, a
// vertical strip as tall as the board with one band per item, each band as
// many lines high as its item and labelled with the item's summary. Bands
// take alternating colours from the top. A band is chosen by a click or by
// the arrow keys; clicking below the bands chooses none.
#pragma once

#include "core/page_layout.h"

#include <QWidget>

#include <optional>

class CLayoutStrip : public QWidget {
    Q_OBJECT
public:
    // Strip pixels per 16-dot line.
    static constexpr int kLinePixels = 44;

    explicit CLayoutStrip(QWidget* parent = nullptr);

    // The page shown (borrowed; redrawn on Refresh).
    void SetLayout(const lumivo::CPageLayout* layout, bool koreanLibrary);
    // Redraws after the page changed; a chosen band that is gone is dropped.
    void Refresh();
    std::optional<size_t> Selected() const { return m_selected; }
    void SetSelected(std::optional<size_t> band);
    // Where a band is drawn (empty for no such band).
    QRect BandRect(size_t band) const;
    // The band's label as drawn.
    QString BandLabel(size_t band) const;
    // The colour of a band: alternating from the top.
    static QColor BandColour(size_t band);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    const lumivo::CPageLayout* m_layout = nullptr;
    bool m_korean = false;
    std::optional<size_t> m_selected;
};
