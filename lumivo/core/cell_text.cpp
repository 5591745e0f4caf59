// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/cell_text.h"

#include "core/item_builder.h"

#include <algorithm>

namespace lumivo {

namespace {

bool IsBreak(const CLumiChar& c) { return c.code == CCellText::kLineBreak && c.attr.kind != 5; }

// The replacement character: what a character beyond the cells' 16 bits becomes.
constexpr char16_t kReplacement = 0xFFFD;

} // namespace

unsigned CCellText::Limit() const { return m_mode == Mode::Text ? kMaxItemChars : kMaxLineChars; }

size_t CCellText::BreakIndex() const
{
    if (m_mode != Mode::Eng2Line)
        return m_cells.size();
    const auto it = std::find_if(m_cells.begin(), m_cells.end(), IsBreak);
    return static_cast<size_t>(it - m_cells.begin());
}

std::pair<size_t, size_t> CCellText::ChoiceRange() const
{
    size_t b = SelectionBegin();
    const size_t e = SelectionEnd();
    if (b < e && IsBreak(m_cells[b]))
        ++b;
    return {b, e};
}

void CCellText::SetCaret(size_t pos, bool extend)
{
    m_caret = std::min(pos, m_cells.size());
    if (!extend)
        m_anchor = m_caret;
}

void CCellText::SelectAll()
{
    m_anchor = 0;
    m_caret = m_cells.size();
}

size_t CCellText::LineStart(size_t pos) const
{
    const size_t k = BreakIndex();
    return pos > k ? k + 1 : 0;
}

size_t CCellText::LineEnd(size_t pos) const
{
    const size_t k = BreakIndex();
    return pos > k || k == m_cells.size() ? m_cells.size() : k;
}

size_t CCellText::OtherLine(size_t pos) const
{
    const size_t k = BreakIndex();
    if (k == m_cells.size())
        return pos;
    if (pos <= k)
        return k + 1 + std::min(pos, m_cells.size() - (k + 1));
    return std::min(pos - (k + 1), k);
}

bool CCellText::Fits(const CLumiChar& c, size_t pos) const
{
    if (m_mode == Mode::Text)
        return m_cells.size() < kMaxItemChars;
    // Two lines: one break at most, and 50 cells on either side of it.
    const size_t k = BreakIndex();
    if (IsBreak(c))
        return k == m_cells.size();
    return LineEnd(pos) - LineStart(pos) < kMaxLineChars;
}

CCellText::Insertion CCellText::Insert(const std::vector<CLumiChar>& cells)
{
    State before = Snapshot();
    const Insertion r = Put(cells);
    Record(std::move(before), StepKind::Other);
    return r;
}

CCellText::Insertion CCellText::Put(const std::vector<CLumiChar>& cells)
{
    Insertion r;
    if (HasSelection()) {
        const size_t b = SelectionBegin();
        const size_t e = SelectionEnd();
        if (m_mode == Mode::Eng2Line && BreakIndex() >= b && BreakIndex() < e &&
            (b - LineStart(b)) + (LineEnd(e) - e) > kMaxLineChars) {
            // Taking the break out would join lines longer than one may be.
            r.limited = true;
            return r;
        }
        m_cells.erase(m_cells.begin() + static_cast<long>(b), m_cells.begin() + static_cast<long>(e));
        m_caret = m_anchor = b;
    }
    for (const CLumiChar& c : cells) {
        if (!Fits(c, m_caret)) {
            r.limited = true;
            break;
        }
        m_cells.insert(m_cells.begin() + static_cast<long>(m_caret), c);
        ++m_caret;
        ++r.inserted;
    }
    m_anchor = m_caret;
    return r;
}

CCellText::Insertion CCellText::InsertText(std::u16string_view text, const QVXF& attr)
{
    std::vector<CLumiChar> cells;
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t ch = text[i];
        if (ch == u'\n') {
            cells.push_back(MakeCell(kLineBreak, attr));
            continue;
        }
        if (ch < 0x20 || ch == 0x7F)
            continue;
        if (ch >= 0xD800 && ch <= 0xDFFF) {
            // A cell holds 16 bits: a pair becomes one replacement character.
            if (ch <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
                ++i;
            ch = kReplacement;
        }
        cells.push_back(MakeCell(ch, attr));
    }
    State before = Snapshot();
    const bool typing = !HasSelection() && cells.size() == 1;
    const Insertion r = Put(cells);
    Record(std::move(before), typing ? StepKind::Typing : StepKind::Other);
    return r;
}

bool CCellText::Erase(bool forward)
{
    State before = Snapshot();
    const StepKind kind = HasSelection() ? StepKind::Other : StepKind::Erasing;
    if (!HasSelection()) {
        if (forward ? m_caret >= m_cells.size() : m_caret == 0)
            return false;
        m_anchor = forward ? m_caret + 1 : m_caret - 1;
    }
    if (Put({}).limited) {
        // Refused (the lines would join too long): nothing moves.
        m_caret = before.caret;
        m_anchor = before.anchor;
        return false;
    }
    Record(std::move(before), kind);
    return true;
}

void CCellText::SetCells(const std::vector<CLumiChar>& cells)
{
    m_cells.clear();
    m_caret = m_anchor = 0;
    Put(cells);
    m_undo.clear();
    m_redo.clear();
    m_lastKind = StepKind::Other;
}

void CCellText::Record(State before, StepKind kind)
{
    const auto same = [](const CLumiChar& a, const CLumiChar& b) {
        return a.code == b.code && a.lines == b.lines && a.attr.GetWord() == b.attr.GetWord();
    };
    if (std::equal(before.cells.begin(), before.cells.end(), m_cells.begin(), m_cells.end(), same))
        return;
    m_redo.clear();
    // Typing on where the last keystroke left the caret extends that step.
    const bool joins =
        kind != StepKind::Other && kind == m_lastKind && before.caret == m_lastCaret && !m_undo.empty();
    if (!joins) {
        // A long session keeps its last steps; the oldest go first.
        constexpr size_t kMaxSteps = 200;
        if (m_undo.size() == kMaxSteps)
            m_undo.erase(m_undo.begin());
        m_undo.push_back(std::move(before));
    }
    m_lastKind = kind;
    m_lastCaret = m_caret;
}

void CCellText::Restore(State s)
{
    m_cells = std::move(s.cells);
    m_caret = std::min(s.caret, m_cells.size());
    m_anchor = std::min(s.anchor, m_cells.size());
    m_lastKind = StepKind::Other; // what is typed next is a step of its own
}

bool CCellText::Step(std::vector<State>& from, std::vector<State>& to)
{
    if (from.empty())
        return false;
    to.push_back(Snapshot());
    State s = std::move(from.back());
    from.pop_back();
    Restore(std::move(s));
    return true;
}

bool CCellText::Undo() { return Step(m_undo, m_redo); }

bool CCellText::Redo() { return Step(m_redo, m_undo); }

std::vector<CLumiChar> CCellText::Selected() const
{
    return {m_cells.begin() + static_cast<long>(SelectionBegin()), m_cells.begin() + static_cast<long>(SelectionEnd())};
}

std::u16string CCellText::Text() const { return CellsText(m_cells); }

std::u16string CellsText(const std::vector<CLumiChar>& cells)
{
    std::u16string out;
    for (const CLumiChar& c : cells) {
        if (c.attr.kind == 5)
            continue; // a move's code is its number, not a character
        out += IsBreak(c) ? u'\n' : static_cast<char16_t>(c.code);
    }
    return out;
}

bool CCellText::Apply(CellField field, unsigned value)
{
    const bool small = m_mode == Mode::Eng2Line;
    if (small && (field == CellField::Face || field == CellField::Width || field == CellField::Size))
        return false;
    State before = Snapshot();
    bool changed = false;
    const auto [b, e] = ChoiceRange();
    for (size_t i = b; i < e; ++i) {
        QVXF& q = m_cells[i].attr;
        const uint32_t word = q.GetWord();
        switch (field) {
        case CellField::Face: q.face = value & 0x1F; break;
        case CellField::Color: q.color = value & 0xFF; break;
        case CellField::Attrib: q.attrib = value & 0xFF; break;
        case CellField::Width: q.widthIndex = std::min(value + 1, 7u); break;
        case CellField::Size: q.size = std::min(value, 7u); break;
        }
        changed |= q.GetWord() != word;
    }
    Record(std::move(before), StepKind::Other);
    return changed;
}

void CCellText::Load(const CLumivo& item)
{
    std::vector<CLumiChar> cells;
    if (m_mode == Mode::Text) {
        for (int i = 0; i < CLumivo::kCells && !IsLineEnd(item.chars[i]); ++i)
            cells.push_back(item.chars[i]);
    } else {
        auto line = [&item](int first, std::vector<CLumiChar>& out) {
            for (int i = first; i < first + CLumivo::kLineCells; ++i) {
                if (item.chars[i].code == 0 || item.chars[i].code == kLineBreak)
                    break;
                out.push_back(item.chars[i]);
            }
        };
        line(0, cells);
        std::vector<CLumiChar> second;
        line(CLumivo::kLineCells, second);
        if (!second.empty()) {
            cells.push_back(MakeCell(kLineBreak, second.front().attr));
            cells.insert(cells.end(), second.begin(), second.end());
        }
    }
    SetCells(cells);
}

CLumiChar CCellText::MakeCell(uint16_t code, const QVXF& attr) const
{
    CLumiChar c;
    if (m_mode == Mode::Eng2Line) {
        c.Initialize(LUMIVO_ENG2LINE);
        c.attr.color = attr.color;
        c.attr.attrib = attr.attrib;
    } else {
        c.attr = attr;
        if (c.attr.kind == 7) { // a small-font selector: the board fonts instead
            c.attr.kind = 1;
            c.attr.size = 2;
        }
    }
    c.code = code;
    return c;
}

bool CCellText::Adapt(CLumiChar& cell, const QVXF& current) const
{
    if (m_mode == Mode::Eng2Line) {
        if (cell.attr.kind == 5)
            return false;
        if (cell.attr.kind != 7 || cell.lines != 1)
            cell = MakeCell(cell.code, cell.attr);
        return true;
    }
    if (cell.attr.kind == 7) {
        QVXF q = current;
        q.color = cell.attr.color;
        q.attrib = cell.attr.attrib;
        cell = MakeCell(cell.code, q);
    }
    cell.lines = 2;
    return true;
}

std::vector<uint8_t> EncodeCells(const std::vector<CLumiChar>& cells)
{
    std::vector<uint8_t> out;
    out.reserve(cells.size() * 8);
    for (const CLumiChar& c : cells) {
        const uint32_t w = c.attr.GetWord();
        for (uint8_t b : {uint8_t(c.code), uint8_t(c.code >> 8), uint8_t(0), c.lines, uint8_t(w), uint8_t(w >> 8),
                          uint8_t(w >> 16), uint8_t(w >> 24)})
            out.push_back(b);
    }
    return out;
}

std::vector<CLumiChar> DecodeCells(const uint8_t* data, size_t length, size_t maxCells)
{
    std::vector<CLumiChar> cells;
    if (data == nullptr)
        return cells;
    for (size_t at = 0; at + 8 <= length && cells.size() < maxCells; at += 8) {
        const uint8_t* p = data + at;
        CLumiChar c;
        c.code = static_cast<uint16_t>(p[0] | (p[1] << 8));
        c.lines = p[3];
        c.attr.SetWord(uint32_t(p[4]) | uint32_t(p[5]) << 8 | uint32_t(p[6]) << 16 | uint32_t(p[7]) << 24);
        cells.push_back(c);
    }
    return cells;
}

} // namespace lumivo
