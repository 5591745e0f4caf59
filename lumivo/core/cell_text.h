// SPDX-License-Identifier: GPL-2.0-or-later
// The text the Ad editor's character editor holds: a run of character cells
// (code and glyph selector each) with a caret and a selection. Typing,
// deleting, the limits, the glyph choices applied to a selection, and the
// clipboard form of cells live here, free of widgets; the editor widget only
// draws the cells and turns keys into these calls.
//
// A Text item is one line of at most 100 cells; a line-break cell (code 10)
// ends what the board shows. An Eng2Line item is two lines of at most 50 cells
// in the small font, the second after the one line-break cell.
#pragma once

#include <qvr/records.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumivo {

// The glyph choices of the text page, each one QVXF field.
enum class CellField {
    Face,   // face = the chosen index (low five bits)
    Color,  // color row
    Attrib, // attribute row
    Width,  // widthIndex = the width list's entry + 1
    Size,   // glyph height in units of 8 dots
};

// Whether the cell ends a line: code 0 or 10 in a cell that is not a move
// (a move's code is its number).
inline bool IsLineEnd(const CLumiChar& c) { return (c.code == 0 || c.code == 10) && c.attr.kind != 5; }

class CCellText {
public:
    enum class Mode { Text, Eng2Line };
    static constexpr uint16_t kLineBreak = 10;

    struct Insertion {
        size_t inserted = 0;
        bool limited = false; // cells were left out: the limit was reached
    };

    explicit CCellText(Mode mode = Mode::Text) : m_mode(mode) {}

    Mode GetMode() const { return m_mode; }
    const std::vector<CLumiChar>& Cells() const { return m_cells; }
    size_t Size() const { return m_cells.size(); }
    // Cells a line may hold: 100 for Text, 50 for each Eng2Line line.
    unsigned Limit() const;

    // ---- Caret and selection (positions between cells, 0 to Size()).
    size_t Caret() const { return m_caret; }
    size_t Anchor() const { return m_anchor; }
    bool HasSelection() const { return m_caret != m_anchor; }
    size_t SelectionBegin() const { return std::min(m_caret, m_anchor); }
    size_t SelectionEnd() const { return std::max(m_caret, m_anchor); }
    // The cells a glyph choice applies to: the selection, starting after a
    // line-break cell it begins on. Empty when nothing is selected.
    std::pair<size_t, size_t> ChoiceRange() const;
    // Moves the caret (clamped); extend keeps the anchor, else both move.
    void SetCaret(size_t pos, bool extend = false);
    void SelectAll();
    // Start and end of the line holding pos (Eng2Line: either side of the
    // break; Text: the whole run).
    size_t LineStart(size_t pos) const;
    size_t LineEnd(size_t pos) const;
    // The same place on the other line of an Eng2Line text; pos itself for Text.
    size_t OtherLine(size_t pos) const;

    // ---- Editing. The selection is replaced; the caret ends after what was
    // put in. Cells past the limit are left out, and so is everything after
    // them (a paste is cut, not thinned out).
    Insertion Insert(const std::vector<CLumiChar>& cells);
    // Characters as cells with the selector attr: '\n' becomes a line break,
    // '\r' and other control characters are dropped.
    Insertion InsertText(std::u16string_view text, const QVXF& attr);
    // Backspace (forward false) or Delete: the selection, else one cell.
    // False when there was nothing to delete.
    bool Erase(bool forward);
    // Replaces every cell; the caret goes to the end. The history starts anew.
    void SetCells(const std::vector<CLumiChar>& cells);

    // ---- History. Each edit that changes the cells is one step; characters
    // typed, or single cells erased, one after another at the caret join
    // into one step, as in any text editor. Undo and redo bring the caret and
    // selection back with the cells; false when there is no step to take.
    bool Undo();
    bool Redo();

    std::vector<CLumiChar> Selected() const;
    // The characters, a line break as '\n'.
    std::u16string Text() const;

    // ---- Glyph choices, applied to ChoiceRange(); each cell keeps its other
    // fields. Face, width and size mean nothing to the small font and leave
    // Eng2Line cells alone. Returns whether a cell changed.
    bool Apply(CellField field, unsigned value);

    // ---- Items.
    // The cells of a Text or Eng2Line item as the editor shows them: what the
    // item builder would copy back (Text: up to the end of line 1; Eng2Line:
    // line 1, a break, line 2).
    void Load(const CLumivo& item);
    // A cell of this mode for a character: Text cells take attr whole;
    // Eng2Line cells are small-font cells that keep attr's colour and attribute.
    CLumiChar MakeCell(uint16_t code, const QVXF& attr) const;
    // A cell from another editor made fit for this one; false for a cell this
    // mode cannot hold (a move in an Eng2Line text).
    bool Adapt(CLumiChar& cell, const QVXF& current) const;

private:
    struct State {
        std::vector<CLumiChar> cells;
        size_t caret = 0;
        size_t anchor = 0;
    };
    enum class StepKind { Other, Typing, Erasing };
    State Snapshot() const { return {m_cells, m_caret, m_anchor}; }
    void Restore(State s);
    // Moves to the newest state of `from`, keeping the present one on `to`.
    bool Step(std::vector<State>& from, std::vector<State>& to);
    // Keeps `before` as an undo step if the cells changed since.
    void Record(State before, StepKind kind);
    Insertion Put(const std::vector<CLumiChar>& cells); // Insert without history

    // Whether one more cell c fits at pos.
    bool Fits(const CLumiChar& c, size_t pos) const;
    size_t BreakIndex() const; // Eng2Line: index of the break, Size() when none

    Mode m_mode;
    std::vector<CLumiChar> m_cells;
    size_t m_caret = 0;
    size_t m_anchor = 0;
    std::vector<State> m_undo, m_redo;
    StepKind m_lastKind = StepKind::Other; // of the newest undo step
    size_t m_lastCaret = 0;                 // the caret that step left
};

// The characters of cells, a line break as '\n'; moves (whose codes are
// their numbers) are left out.
std::u16string CellsText(const std::vector<CLumiChar>& cells);

// The clipboard form of cells: 8 bytes each (code, reserved, lines, QVXF
// word; little-endian), back to back.
std::vector<uint8_t> EncodeCells(const std::vector<CLumiChar>& cells);
// Reads at most maxCells whole records from length bytes; a trailing part
// record is ignored.
std::vector<CLumiChar> DecodeCells(const uint8_t* data, size_t length, size_t maxCells);

} // namespace lumivo
