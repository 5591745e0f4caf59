// SPDX-License-Identifier: GPL-2.0-or-later
// The text page's choice lists, each entry with a sample drawn by the content
// library (colour rows in their colours, faces as sample glyphs ...), and the
// grids of special symbols and moves to insert.
#pragma once

#include <qvr/content.h>
#include <qvr/records.h>

#include <QListWidget>

#include "core/item_text.h"

class QComboBox;

namespace lumivo {

// Entry i of each list is the value the choice stores: face i, colour row i,
// attribute row i, width entry i (widthIndex i + 1). The size list's entries
// carry the glyph height (QVXF size) as their data; lines lists the numbers
// first to last. A null library gives the entries without samples.
void FillFaceList(QComboBox* box, const CContent* content);
void FillColorList(QComboBox* box, const CContent* content);
void FillAttribList(QComboBox* box, const CContent* content);
void FillWidthList(QComboBox* box, const CContent* content);
void FillSizeList(QComboBox* box, const CContent* content);
void FillLinesList(QComboBox* box, unsigned first, unsigned last);

// What a colour row or an attribute row looks like ("Green on red", "Blinking").
QString ColorRowName(unsigned row);
QString AttribName(unsigned row);
// The list's tooltip follows the entry chosen (each entry's tooltip role);
// ShowTip sets it now (after a change made with the signals blocked).
void FollowTips(QComboBox* box);
void ShowTip(QComboBox* box);
// Seconds between two steps of an effect or frames of a picture at an
// effect speed value (the preview steps every speed / 8 + 1 ticks of 5 ms).
QString SecondsPerStep(unsigned speed);
// An "EditorTips" text filled with its arguments.
QString Tip(const char* key, const std::vector<FormatArg>& args);

} // namespace lumivo

// A grid of cells to put into the text: the library's special symbols or its
// moves (animated icons), each drawn by the library. Activating an entry
// (double-click, Return) offers its cell.
class CGlyphGrid : public QListWidget {
    Q_OBJECT
public:
    enum class Kind { Symbols, Moves };
    CGlyphGrid(Kind kind, QWidget* parent = nullptr);
    // The library to list (borrowed); the grid fills when first shown.
    void SetContent(const CContent* content);
    // The cell of entry row.
    CLumiChar CellAt(int row) const;
    // Fills the grid now (it does by itself when shown).
    void Fill();

signals:
    void chosen(const CLumiChar& cell);

protected:
    void showEvent(QShowEvent* e) override;

private:
    Kind m_kind;
    const CContent* m_content = nullptr;
    bool m_filled = false;
};
