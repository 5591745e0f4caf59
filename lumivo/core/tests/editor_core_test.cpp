// SPDX-License-Identifier: GPL-2.0-or-later
// The Ad editor's rules without its windows: items built from the character
// editor's cells, the cells' editing, limits, choices and clipboard form,
// the layout strip's rules, and which characters the board draws exactly.
#include "test_support.h"

#include "core/cell_glyph.h"
#include "core/cell_text.h"
#include "core/item_builder.h"
#include "core/item_text.h"
#include "core/page_layout.h"

#include <qvr/content_resource.h>

#include <gtest/gtest.h>

namespace {

using coretest::UseEnglish;
using lumivo::CCellText;
using lumivo::CheckGlyph;
using lumivo::CellField;
using lumivo::GlyphFit;

CLumiChar Cell(char16_t code, unsigned kind = 1)
{
    CLumiChar c;
    c.code = code;
    c.attr.kind = kind;
    return c;
}

std::vector<CLumiChar> Cells(std::u16string_view text)
{
    std::vector<CLumiChar> out;
    for (char16_t ch : text)
        out.push_back(Cell(ch));
    return out;
}

lumivo::Result Build(int type, const std::vector<CLumiChar>& cells, CLumivo& item)
{
    lumivo::ItemChoices c;
    c.type = type;
    c.cells = cells;
    return lumivo::BuildItem(c, item);
}

TEST(EditorItems, TextCellsStopAtALineEndThatIsNotAMove)
{
    UseEnglish();
    CLumivo item;
    std::vector<CLumiChar> cells = Cells(u"AB");
    cells.push_back(Cell(10, 5)); // move number 10: copied
    cells.push_back(Cell(u'C'));
    cells.push_back(Cell(10));    // a line break ends the text
    cells.push_back(Cell(u'D'));
    cells[1].attr.color = 4;
    ASSERT_TRUE(Build(LUMIVO_TEXT, cells, item));
    EXPECT_EQ(item.chars[1].attr.color, 4u); // each cell keeps its own selector
    EXPECT_EQ(item.chars[2].code, 10);
    EXPECT_EQ(item.chars[2].attr.kind, 5u);
    EXPECT_EQ(item.chars[3].code, u'C');
    EXPECT_EQ(item.chars[4].code, 0);
    EXPECT_EQ(item.type, LUMIVO_TEXT);

    cells = Cells(u"XY");
    cells.insert(cells.begin() + 1, Cell(0));
    ASSERT_TRUE(Build(LUMIVO_TEXT, cells, item));
    EXPECT_EQ(lumivo::ItemTitle(item, false), u"X");

    // 100 cells fill the item; one more is told with the limit.
    ASSERT_TRUE(Build(LUMIVO_TEXT, Cells(std::u16string(100, u'x')), item));
    EXPECT_EQ(item.chars[99].code, u'x');
    const lumivo::Result tooLong = Build(LUMIVO_TEXT, Cells(std::u16string(101, u'x')), item);
    EXPECT_FALSE(tooLong);
    EXPECT_EQ(tooLong.FirstError(), "You can enter at most 100 characters.");
}

TEST(EditorItems, Eng2LineKeepsTheSecondLineAtCellFifty)
{
    UseEnglish();
    CCellText text(CCellText::Mode::Eng2Line);
    QVXF plain;
    EXPECT_EQ(text.InsertText(std::u16string(50, u'a') + u"\nbc", plain).inserted, 53u);
    CLumivo item;
    ASSERT_TRUE(Build(LUMIVO_ENG2LINE, text.Cells(), item));
    EXPECT_EQ(item.chars[49].code, u'a');
    EXPECT_EQ(item.chars[50].code, u'b');
    EXPECT_EQ(item.chars[51].code, u'c');
    EXPECT_EQ(item.chars[52].code, 0);
    EXPECT_EQ(item.chars[50].attr.GetWord() >> 16, 0x0127u); // small-font cells
    EXPECT_EQ(item.chars[50].lines, 1);

    // Loading gives back the editor's cells; rebuilding gives the same bytes.
    CCellText again(CCellText::Mode::Eng2Line);
    again.Load(item);
    EXPECT_EQ(again.Text(), text.Text());
    CLumivo rebuilt;
    ASSERT_TRUE(Build(LUMIVO_ENG2LINE, again.Cells(), rebuilt));
    uint8_t a[qvr::kItemBytes], b[qvr::kItemBytes];
    qvr::StoreItem(item, a);
    qvr::StoreItem(rebuilt, b);
    EXPECT_EQ(0, std::memcmp(a, b, sizeof a));

    std::vector<CLumiChar> longLine(51, text.Cells()[0]);
    EXPECT_EQ(Build(LUMIVO_ENG2LINE, longLine, item).FirstError(), "You can enter at most 50 characters.");
}

TEST(EditorItems, PagesOfEveryKind)
{
    UseEnglish();
    for (int index = -1; index <= 9; ++index) {
        static const int kinds[] = {12, 0, 1, 2, 3, 4, 5, 6, 10, 7, 12};
        EXPECT_EQ(lumivo::SheetPageKind(index), kinds[index + 1]) << index;
    }
    lumivo::ItemChoices c;
    CLumivo item;
    c.type = LUMIVO_MOVIE;
    c.index = 3;
    c.delay = 0;
    c.lines = 2;
    ASSERT_TRUE(lumivo::BuildItem(c, item));
    EXPECT_EQ(item.chars[0].attr.kind, 4u);
    for (int i = 1; i < CLumivo::kCells; ++i)
        ASSERT_EQ(item.chars[i].attr.GetWord(), QVXF().GetWord());
    EXPECT_EQ(item.effectS, CEFF(102, 5));
    EXPECT_EQ(item.effectW, CEFF(94, 5));
    EXPECT_EQ(item.effectE, CEFF(99, 5));
    EXPECT_EQ(lumivo::ItemLines(item), 2u);

    c = {};
    c.type = LUMIVO_TIME;
    c.format = 3;
    c.text = lumivo::LiveText(LUMIVO_TIME, 3, nullptr);
    c.fit = true;
    ASSERT_TRUE(lumivo::BuildItem(c, item));
    EXPECT_EQ(item.format, 3);
    EXPECT_EQ(item.fit, 1);
    EXPECT_EQ(item.chars[5].code, u' '); // "hh:mm tt"
    EXPECT_EQ(lumivo::LiveText(LUMIVO_TEMPERATURE, 1, nullptr), u"73'F");
    EXPECT_EQ(lumivo::LiveText(LUMIVO_TEXT, 0, nullptr), u"");

    c = {};
    c.type = LUMIVO_ANALOG;
    c.option = 3;
    c.color = 2;
    c.lines = 3;
    ASSERT_TRUE(lumivo::BuildItem(c, item));
    EXPECT_EQ(item.option, 3);
    EXPECT_EQ(item.chars[0].attr.color, 2u);
    EXPECT_EQ(item.chars[0].code, 0);
    EXPECT_EQ(item.effectS.code, 101);
}

TEST(CellText, TypingDeletingAndTheLimits)
{
    CCellText text;
    QVXF attr;
    attr.color = 3;
    EXPECT_EQ(text.InsertText(u"OPEN\r 24H\t", attr).inserted, 8u);
    EXPECT_EQ(text.Text(), u"OPEN 24H");
    EXPECT_EQ(text.Cells()[0].attr.color, 3u);
    text.SetCaret(4);
    text.SetCaret(0, true); // Shift+Home
    EXPECT_EQ(text.Selected().size(), 4u);
    text.InsertText(u"CLOSED", attr); // typing replaces the selection
    EXPECT_EQ(text.Text(), u"CLOSED 24H");
    EXPECT_EQ(text.Caret(), 6u);
    EXPECT_TRUE(text.Erase(false));
    EXPECT_TRUE(text.Erase(true));
    EXPECT_EQ(text.Text(), u"CLOSE24H");
    text.SetCaret(text.Size());
    EXPECT_FALSE(text.Erase(true)); // nothing after the caret

    // A surrogate pair is one cell; a paste past 100 cells is cut there.
    text.InsertText(u"\U0001F600", attr);
    EXPECT_EQ(text.Cells().back().code, 0xFFFD);
    const CCellText::Insertion cut = text.InsertText(std::u16string(120, u'z'), attr);
    EXPECT_TRUE(cut.limited);
    EXPECT_EQ(text.Size(), 100u);
    EXPECT_EQ(cut.inserted, 91u);
    EXPECT_TRUE(text.InsertText(u"!", attr).limited);

    // Eng2Line: 50 a line, one break.
    CCellText two(CCellText::Mode::Eng2Line);
    EXPECT_EQ(two.Limit(), 50u);
    EXPECT_TRUE(two.InsertText(std::u16string(60, u'a'), attr).limited);
    EXPECT_EQ(two.Size(), 50u);
    EXPECT_EQ(two.Cells()[0].attr.kind, 7u);
    EXPECT_EQ(two.Cells()[0].attr.color, 3u);
    two.SetCaret(10);
    EXPECT_EQ(two.InsertText(u"\n\n", attr).inserted, 1u); // a third line is refused
    EXPECT_EQ(two.OtherLine(13), 2u);
    EXPECT_EQ(two.LineStart(20), 11u);
    EXPECT_EQ(two.LineEnd(2), 10u);
    two.SetCaret(11);
    EXPECT_TRUE(two.InsertText(u"bcdefghijkl", attr).limited); // 40 + 10 fill line 2
    EXPECT_EQ(two.LineEnd(11) - two.LineStart(11), 50u);
    EXPECT_EQ(two.Text().size(), 61u);
    // Taking the break out would join 10 + 50 cells on one line: refused.
    two.SetCaret(11);
    EXPECT_FALSE(two.Erase(false));
    EXPECT_EQ(two.Size(), 61u);
    EXPECT_EQ(two.Caret(), 11u);
}

TEST(CellText, ChoicesApplyToTheSelectionAfterALineBreak)
{
    CCellText text;
    QVXF attr;
    text.InsertText(u"ab\ncd", attr);
    text.SetCaret(2);
    text.SetCaret(5, true); // the break and "cd"
    EXPECT_EQ(text.ChoiceRange(), std::make_pair(size_t(3), size_t(5)));
    EXPECT_TRUE(text.Apply(CellField::Color, 5));
    EXPECT_TRUE(text.Apply(CellField::Face, 33)); // low five bits
    EXPECT_TRUE(text.Apply(CellField::Width, 2));
    EXPECT_TRUE(text.Apply(CellField::Attrib, 1));
    EXPECT_TRUE(text.Apply(CellField::Size, 4));
    EXPECT_FALSE(text.Apply(CellField::Size, 4)); // nothing changes twice
    for (size_t i : {0, 1, 2})
        EXPECT_EQ(text.Cells()[i].attr.GetWord(), attr.GetWord()) << i;
    const QVXF& d = text.Cells()[4].attr;
    EXPECT_EQ(d.color, 5u);
    EXPECT_EQ(d.face, 1u);
    EXPECT_EQ(d.widthIndex, 3u);
    EXPECT_EQ(d.attrib, 1u);
    EXPECT_EQ(d.size, 4u);
    EXPECT_EQ(d.kind, 1u);

    // The small font has no faces, widths or sizes; colours it has.
    CCellText two(CCellText::Mode::Eng2Line);
    two.InsertText(u"hi", attr);
    two.SelectAll();
    EXPECT_FALSE(two.Apply(CellField::Face, 2));
    EXPECT_TRUE(two.Apply(CellField::Color, 2));
    EXPECT_EQ(two.Cells()[1].attr.GetWord(), 0x01270200u);
}

TEST(CellText, ClipboardCellsKeepTheirSelectors)
{
    CCellText from;
    QVXF attr;
    attr.color = 7;
    attr.face = 3;
    from.InsertText(u"A한", attr);
    std::vector<CLumiChar> cells = from.Cells();
    CLumiChar move = Cell(12, 5);
    cells.push_back(move);
    std::vector<uint8_t> bytes = lumivo::EncodeCells(cells);
    ASSERT_EQ(bytes.size(), 24u);
    EXPECT_EQ(bytes[2], 0);
    EXPECT_EQ(bytes[3], 2);
    bytes.push_back(0x41); // a torn record is ignored
    std::vector<CLumiChar> back = lumivo::DecodeCells(bytes.data(), bytes.size(), 100);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[1].code, u'한');
    EXPECT_EQ(back[1].attr.GetWord(), from.Cells()[1].attr.GetWord());
    EXPECT_EQ(back[2].attr.kind, 5u);
    EXPECT_EQ(lumivo::DecodeCells(bytes.data(), bytes.size(), 2).size(), 2u);
    EXPECT_TRUE(lumivo::DecodeCells(nullptr, 16, 100).empty());

    // Into an Eng2Line editor: small-font cells with the colour kept; no moves.
    CCellText two(CCellText::Mode::Eng2Line);
    CLumiChar c = back[0];
    ASSERT_TRUE(two.Adapt(c, attr));
    EXPECT_EQ(c.attr.kind, 7u);
    EXPECT_EQ(c.attr.color, 7u);
    EXPECT_EQ(c.lines, 1);
    EXPECT_FALSE(two.Adapt(back[2], attr));
    // And back into a Text editor: the current face and size.
    CCellText one;
    ASSERT_TRUE(one.Adapt(c, attr));
    EXPECT_EQ(c.attr.kind, 1u);
    EXPECT_EQ(c.attr.face, 3u);
    EXPECT_EQ(c.lines, 2);
}

TEST(PageLayout, BandsFitTheBoardAndFillIt)
{
    UseEnglish();
    auto item = [](unsigned lines) {
        CLumivo i;
        lumivo::SetItemLines(i, lines);
        return i;
    };
    lumivo::CPageLayout page(3);
    EXPECT_EQ(page.CheckFilled().FirstError(),
              "The page does not fill the board yet. Add items until they cover the whole height of the board.");
    ASSERT_TRUE(page.Add(item(2)));
    const lumivo::Result tooHigh = page.Add(item(2));
    EXPECT_FALSE(tooHigh);
    EXPECT_TRUE(tooHigh.HasMessage("There is no room for this item"));
    EXPECT_EQ(page.Count(), 1u);
    EXPECT_FALSE(page.CheckFilled()); // one line is still empty
    ASSERT_TRUE(page.Add(item(1)));
    EXPECT_TRUE(page.CheckFilled());
    EXPECT_EQ(page.Top(1), 2u);
    // A band may grow into the room it leaves, no further.
    EXPECT_FALSE(page.Replace(1, item(2)));
    ASSERT_TRUE(page.Replace(0, item(1)));
    ASSERT_TRUE(page.Replace(1, item(2)));
    EXPECT_FALSE(page.Replace(2, item(1)));
    ASSERT_TRUE(page.Remove(0));
    EXPECT_EQ(page.FreeLines(), 1u);
    EXPECT_EQ(lumivo::ItemLines(page.Items()[0]), 2u);
    EXPECT_FALSE(page.Remove(1));

    lumivo::CPageLayout tall(8);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(tall.Add(item(1)));
    EXPECT_FALSE(tall.Add(item(1))); // four items a page
}

// The program's containers: a Korean one (Hangul faces, Hanja) and a
// Chinese one (GB2312), both for one-row boards.
class GlyphCheck : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        for (auto [resource, slot] : {std::pair{310, &korean}, {314, &chinese}}) {
            const std::vector<uint8_t> bytes = qvr::LoadContentResource(resource);
            if (bytes.empty())
                return;
            *slot = new CContent();
            (*slot)->Initialize(bytes.data(), bytes.size());
        }
    }
    static void TearDownTestSuite()
    {
        delete korean;
        delete chinese;
        korean = chinese = nullptr;
    }
    void SetUp() override
    {
        if (!korean || !chinese)
            GTEST_SKIP() << "the program's containers are not built";
    }
    static inline CContent* korean = nullptr;
    static inline CContent* chinese = nullptr;
};

TEST_F(GlyphCheck, CharactersTheBoardCannotDrawAreNamed)
{
    EXPECT_EQ(CheckGlyph(*korean, Cell(u'가')), GlyphFit::Exact);
    EXPECT_EQ(CheckGlyph(*korean, Cell(u'뷁')), GlyphFit::Nearest); // outside KS X 1001
    EXPECT_EQ(CheckGlyph(*korean, Cell(u'中')), GlyphFit::Exact);   // Hanja
    EXPECT_EQ(CheckGlyph(*chinese, Cell(u'中')), GlyphFit::Exact);
    EXPECT_EQ(CheckGlyph(*chinese, Cell(u'가')), GlyphFit::Missing); // no Hangul faces
    EXPECT_EQ(CheckGlyph(*chinese, Cell(0x4E02)), GlyphFit::Missing); // not in GB2312: "?"
    EXPECT_EQ(CheckGlyph(*chinese, Cell(0xE000)), GlyphFit::Missing);
    EXPECT_EQ(CheckGlyph(*chinese, Cell(u'A')), GlyphFit::Exact);
    EXPECT_EQ(CheckGlyph(*chinese, Cell(10)), GlyphFit::Exact);
    CLumiChar big = Cell(u'A');
    big.attr.size = 4; // a one-row library has no 32-dot glyphs
    EXPECT_EQ(CheckGlyph(*chinese, big), GlyphFit::Missing);
    EXPECT_EQ(CheckGlyph(*chinese, Cell(1, 5)), GlyphFit::Exact); // move 1
    EXPECT_EQ(CheckGlyph(*chinese, Cell(0, 5)), GlyphFit::Missing);

    // The builder names them, once each, and builds all the same.
    UseEnglish();
    lumivo::ItemChoices c;
    c.cells = Cells(u"뷁A뷁\uE000");
    CLumivo item;
    const lumivo::Result r = lumivo::BuildItem(c, item, korean);
    ASSERT_TRUE(r);
    ASSERT_EQ(r.messages().size(), 1u);
    EXPECT_EQ(r.messages()[0].severity, lumivo::Severity::Warning);
    // Named, then what shows instead and the way out.
    EXPECT_TRUE(r.messages()[0].text.starts_with("The board cannot show these characters exactly: 뷁 \uE000. It shows"))
        << r.messages()[0].text;
    EXPECT_EQ(item.chars[0].code, u'뷁');
    EXPECT_TRUE(lumivo::BuildItem(c, item, nullptr).messages().empty());

    // Painting: the cell's glyph, as GetFontData paints it.
    unsigned char a[qvr::kGlyphBufferBytes] = {}, b[qvr::kGlyphBufferBytes] = {};
    const SIZE s = lumivo::PaintCell(*korean, Cell(u'가'), 0, a);
    korean->make_han_unic(Cell(u'가').attr, u'가', 0, b);
    EXPECT_EQ(s.cx, 16);
    EXPECT_EQ(s.cy, 16);
    EXPECT_EQ(0, std::memcmp(a, b, 256));
    EXPECT_EQ(lumivo::PaintCell(*korean, Cell(u'A', 0), 0, a).cx, 0);
}

} // namespace
