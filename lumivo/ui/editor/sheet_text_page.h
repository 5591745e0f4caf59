// SPDX-License-Identifier: GPL-2.0-or-later
// CQVSheetTextPage: the Text page (index 0) and the Eng2Line page (index 1).
// The character editor holds the cells; the font, colour, attribute, width
// and height lists apply at once to the selected cells and to what is typed
// next; the lines list sets the item's height; special symbols and moves
// are put in from grids drawn by the library. A notice under the editor
// tells the limit when it is met and names the characters the board cannot
// draw exactly.
#pragma once

#include "core/cell_text.h"
#include "ui/editor/sheet_page.h"

class CCharEditor;
class CGlyphGrid;
class QCheckBox;
class QLabel;
class QSpinBox;
class QTabWidget;

class CQVSheetTextPage : public CQVSheetPage {
    Q_OBJECT
public:
    CQVSheetTextPage(CLumivoDoc& doc, int index, QWidget* parent = nullptr);

    lumivo::Result Choices(lumivo::ItemChoices& choices) override;
    void Load(const CLumivo& item) override;
    void Relabel() override;
    void Activate() override;

    CCharEditor* Editor() const { return m_editor; }
    QComboBox* FaceList() const { return m_face; }
    QComboBox* ColorList() const { return m_color; }
    QSpinBox* ColorSpin() const { return m_colorSpin; }
    QComboBox* AttribList() const { return m_attrib; }
    QSpinBox* AttribSpin() const { return m_attribSpin; }
    QComboBox* WidthList() const { return m_width; }
    QComboBox* SizeList() const { return m_size; }
    QComboBox* LinesList() const { return m_lines; }
    QCheckBox* FitBox() const { return m_fit; }
    QLabel* Notice() const { return m_notice; }
    CGlyphGrid* Symbols() const { return m_symbols; }
    CGlyphGrid* Moves() const { return m_moves; }

private:
    void Choose(lumivo::CellField field, unsigned value);
    // The lists show the glyph of the selection's first cell, or of the cell
    // before the caret; typing goes on with it.
    void FollowCaret();
    void ShowChoices(const QVXF& attr);
    void UpdateNotice();

    CCharEditor* m_editor;
    QLabel* m_notice;
    QLabel* m_labels[6] = {};
    QComboBox* m_face;
    QComboBox* m_color;
    QSpinBox* m_colorSpin;
    QComboBox* m_attrib;
    QSpinBox* m_attribSpin;
    QComboBox* m_width;
    QComboBox* m_size;
    QComboBox* m_lines;
    QCheckBox* m_fit;
    QTabWidget* m_inserts;
    CGlyphGrid* m_symbols;
    CGlyphGrid* m_moves;
    bool m_limitMet = false;
};
