// SPDX-License-Identifier: BSD-2-Clause
#include "effect_test_util.h"
#include "glyph_fixture.h"

#include <common/globalization.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Glyph {
    SIZE size;
    std::vector<unsigned char> pixels;
    unsigned char at(long x, long y) const { return pixels[y * size.cx + x]; }
};

// A board with a loaded 16-dot library (Hangul language) and one text item.
class TextDrawing : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        library = new CContent;
        const std::vector<uint8_t> qvr = qvrtest::MakeLibrary(qvrtest::LibraryShape{}).Build();
        ASSERT_EQ(library->Initialize(qvr.data(), qvr.size()), 1);
        // The first Hangul syllable in the first glyph of the Hangul faces.
        library->m_CodeTable[0xAC00][0] = 0xB0A1;
    }
    static void TearDownTestSuite()
    {
        delete library;
        library = nullptr;
    }
    void SetUp() override { Board(6, 1); }

    void Board(unsigned columns, unsigned rows)
    {
        rig = std::make_unique<effecttest::Rig>(columns, rows);
        rig->engine->SetContent(library);
        engine = rig->engine.get();
        page = rig->page.get();
    }
    // Writes text into line 1 (or line 2) with the cells' current selectors.
    void SetLine(const std::u16string& text, int line = 0)
    {
        CLumiChar* cells = page->item.chars + line * CLumivo::kLineCells;
        for (size_t i = 0; i < text.size(); ++i)
            cells[i].code = text[i];
        cells[text.size()].code = 0;
    }
    static Glyph Paint(QVXF attr, uint16_t code)
    {
        Glyph g;
        g.pixels.assign(CEffect::kGlyphBytes, 0);
        g.size = library->GetFontData(attr, code, 0, g.pixels.data(), g.pixels.size());
        return g;
    }
    static Glyph Paint(uint16_t code) { return Paint(QVXF(), code); }
    // The glyph lies in the line buffer with its top-left corner at (x, y).
    static void ExpectAt(const Glyph& g, long x, long y)
    {
        ASSERT_GT(g.size.cx, 0);
        for (long r = 0; r < g.size.cy; ++r)
            for (long c = 0; c < g.size.cx; ++c)
                ASSERT_EQ(CEffect::m_LB[y + r][x + c], g.at(c, r)) << "at " << c << "," << r;
    }
    static bool Lit(const Glyph& g)
    {
        for (unsigned char v : g.pixels)
            if (v)
                return true;
        return false;
    }
    static bool ColumnDark(long x, long rows = 16)
    {
        for (long y = 0; y < rows; ++y)
            if (CEffect::m_LB[y][x])
                return false;
        return true;
    }

    static CContent* library;
    std::unique_ptr<effecttest::Rig> rig;
    CEffect* engine = nullptr;
    PageInfo* page = nullptr;
};

CContent* TextDrawing::library = nullptr;

} // namespace

TEST_F(TextDrawing, AnalysisAndCentring)
{
    SetLine(u"AB");
    engine->SetPageInfo(page);
    EXPECT_EQ(page->textWidth, 16);
    EXPECT_EQ(page->fits, 1u);
    EXPECT_EQ(engine->effect_unicode(0, 0), 56u);
    const Glyph a = Paint(u'A'), b = Paint(u'B');
    ASSERT_TRUE(Lit(a) && Lit(b));
    ExpectAt(a, 40, 0);
    ExpectAt(b, 48, 0);
    EXPECT_TRUE(ColumnDark(39));
    EXPECT_TRUE(ColumnDark(56));

    // Odd differences round toward the left; effectLoop turns centring off.
    SetLine(u"AB\uAC00"); // 8 + 8 + 16
    page->width = 95;
    engine->analyze_pHangMok(0);
    EXPECT_EQ(engine->effect_unicode(0, 0), 31u + 32u);
    page->item.effectLoop = 1;
    EXPECT_EQ(engine->effect_unicode(3, 0), 35u);
    page->item.effectLoop = 0;
    page->width = 96;

    // Exactly as wide as the board: fits and stands at column 0.
    SetLine(std::u16string(12, u'A'));
    engine->analyze_pHangMok(0);
    EXPECT_EQ(page->textWidth, 96);
    EXPECT_EQ(page->fits, 1u);
    EXPECT_EQ(engine->effect_unicode(0, 0), 96u);
    ExpectAt(a, 0, 0);

    // The fit flag lays the item out to the board width whatever its text.
    SetLine(std::u16string(20, u'A'));
    page->item.fit = 1;
    engine->analyze_pHangMok(0);
    EXPECT_EQ(page->textWidth, 96);
    EXPECT_EQ(page->fits, 1u);
    EXPECT_EQ(engine->effect_unicode(0, 0), 96u);
    ExpectAt(a, 88, 0);
    EXPECT_TRUE(ColumnDark(96));

    // Picture items are left alone.
    page->item.type = LUMIVO_IMAGE;
    page->textWidth = 7;
    engine->analyze_pHangMok(0);
    EXPECT_EQ(page->textWidth, 7);
}

TEST_F(TextDrawing, LiveTextWidths)
{
    page->item.type = LUMIVO_DATE;
    page->item.format = 1;
    SetLine(u"Thu 03/05\u00E9");
    engine->SetPageInfo(page);
    std::string widths;
    for (int i = 0; i < 10; ++i)
        widths += static_cast<char>('0' + page->item.chars[i].attr.widthIndex);
    EXPECT_EQ(widths, "2221111111"); // letters 2, digits, punctuation and e-acute 1
    page->item.format = 3;
    engine->analyze_pHangMok(0);
    EXPECT_EQ(page->item.chars[0].attr.widthIndex, 1u);
    // Time items widen letters whatever their format.
    page->item.type = LUMIVO_TIME;
    engine->analyze_pHangMok(0);
    EXPECT_EQ(page->item.chars[0].attr.widthIndex, 2u);
    EXPECT_EQ(page->item.chars[4].attr.widthIndex, 1u);
}

TEST_F(TextDrawing, GlyphsOverwriteAndClipAtEveryEdge)
{
    engine->SetPageInfo(page);
    const Glyph a = Paint(u'A'), b = Paint(u'B');
    CLumiChar one[2], other[2];
    one[0].code = u'A';
    other[0].code = u'B';
    std::memset(CEffect::m_LB, 7, sizeof CEffect::m_LB);
    EXPECT_EQ(engine->disp_unicode(0, 0, one), 8u);
    EXPECT_EQ(engine->disp_unicode(4, 0, other), 12u);
    for (long r = 0; r < 16; ++r) {
        for (long c = 0; c < 4; ++c)
            ASSERT_EQ(CEffect::m_LB[r][c], a.at(c, r));
        for (long c = 0; c < 8; ++c) // dark pixels of B cover A too
            ASSERT_EQ(CEffect::m_LB[r][4 + c], b.at(c, r));
    }
    EXPECT_EQ(CEffect::m_LB[16][0], 7);

    // Left and top.
    std::memset(CEffect::m_LB, 0, sizeof CEffect::m_LB);
    EXPECT_EQ(static_cast<int>(engine->disp_unicode(-4, -3, one)), 4);
    for (long r = 0; r < 13; ++r)
        for (long c = 0; c < 4; ++c)
            ASSERT_EQ(CEffect::m_LB[r][c], a.at(c + 4, r + 3));
    // Entirely left of the buffer: nothing drawn, the column still advances.
    EXPECT_EQ(static_cast<int>(engine->disp_unicode(-20, 0, one)), -12);

    // Right and bottom: nothing runs into the next row or past the buffer.
    std::memset(CEffect::m_LB, 0, sizeof CEffect::m_LB);
    CLumiChar two[3];
    two[0].code = u'A';
    two[1].code = u'B';
    EXPECT_EQ(engine->disp_unicode(4796, 60, two), 4812u);
    for (long r = 0; r < 4; ++r)
        for (long c = 0; c < 4; ++c)
            ASSERT_EQ(CEffect::m_LB[60 + r][4796 + c], a.at(c, r));
    for (long r = 61; r < 64; ++r)
        for (long c = 0; c < 16; ++c)
            ASSERT_EQ(CEffect::m_LB[r][c], 0) << r << "," << c;
    EXPECT_EQ(engine->disp_unicode(4800, 64, two), 4816u);
}

// The engine clears only what its drawings lit: after a drawing by any
// writer anywhere in the buffer, the next drawing leaves the buffer exactly
// as it would a buffer cleared whole.
TEST_F(TextDrawing, EveryDrawingStartsFromAClearBuffer)
{
    // Colour row 3 lights every dot of a cell (background 1, glyph 2), so a
    // byte left behind at any edge of a drawing shows.
    const std::unique_ptr<CContent> lit = qvrtest::OpenLibrary(1, 10);
    Board(20, 4);
    engine->SetContent(lit.get());
    page->height = 64;
    engine->SetPageInfo(page);
    auto line = [&](const std::u16string& text) {
        SetLine(text);
        for (size_t i = 0; i < text.size(); ++i)
            page->item.chars[i].attr.color = 3;
    };
    auto last = [&] {
        line(u"AB");
        page->item.fit = 0;
        page->effectS.code = 100;
        page->width = 320;
        engine->effect_unicode(3, 2);
        return std::vector<unsigned char>(&CEffect::m_LB[0][0], &CEffect::m_LB[0][0] + sizeof CEffect::m_LB);
    };
    const std::vector<unsigned char> alone = last();
    ASSERT_NE(alone, std::vector<unsigned char>(alone.size(), 0));

    CLumiChar far[3];
    far[0].code = u'B';
    far[1].code = u'A';
    far[0].attr.color = far[1].attr.color = 3;
    const struct {
        const char* what;
        std::function<void()> draw;
    } before[] = {
        {"clipped at the right and the bottom", [&] { line(u"AB"); engine->effect_unicode(4790, 55); }},
        {"clipped at the left and the top", [&] { line(u"AB"); engine->effect_unicode(-5, -7); }},
        {"drawn directly", [&] { engine->disp_unicode(2400, 9, far); }},
        {"stretched along the twist strip", [&] {
             line(u"A");
             page->item.fit = 1;
             page->effectS.code = 95;
             page->repeatCount = 1; // one copy: the strip is mostly dark
             engine->effect_unicode(0, 40);
         }},
    };
    for (const auto& b : before) {
        engine->SetModuleSize(20, 4);
        b.draw();
        EXPECT_EQ(last(), alone) << b.what;
    }
}

// Steps mostly draw the same text again, which the line buffer may still
// hold; whatever would draw differently is drawn: another page's text in
// between, the page's own cells, an animated colour's frame, a direct
// drawing, the library loaded anew.
TEST_F(TextDrawing, TextIsDrawnAgainWheneverItWouldLookDifferent)
{
    const std::unique_ptr<CContent> lit = qvrtest::OpenLibrary(1, 10);
    engine->SetContent(lit.get());
    auto text = [](PageInfo& p, const std::u16string& t, unsigned color) {
        for (size_t i = 0; i < t.size(); ++i) {
            p.item.chars[i].code = t[i];
            p.item.chars[i].attr.color = color;
        }
        p.item.chars[t.size()].code = 0;
    };
    auto a = std::make_unique<PageInfo>(*page);
    auto b = std::make_unique<PageInfo>(*page);
    text(*a, u"AB", 3);
    text(*b, u"CD", 3);
    auto buffer = [] {
        return std::vector<unsigned char>(&CEffect::m_LB[0][0], &CEffect::m_LB[0][0] + sizeof CEffect::m_LB);
    };
    auto step = [&](PageInfo& p) {
        engine->SetPageInfo(&p);
        engine->effect_unicode(5, 0);
        return buffer();
    };
    // What a cold engine draws (a new board size forgets every drawing).
    auto fresh = [&](PageInfo& p) {
        engine->SetModuleSize(6, 1);
        return step(p);
    };
    const auto wantA = fresh(*a), wantB = fresh(*b);
    text(*b, u"CE", 3);
    const auto wantB2 = fresh(*b);
    text(*b, u"CD", 3);
    ASSERT_NE(wantA, wantB);
    ASSERT_NE(wantB, wantB2);

    engine->SetModuleSize(6, 1);
    EXPECT_EQ(step(*a), wantA);
    EXPECT_EQ(step(*a), wantA);
    EXPECT_EQ(step(*b), wantB);
    EXPECT_EQ(step(*b), wantB);
    EXPECT_EQ(step(*a), wantA) << "put back after another page";
    EXPECT_EQ(step(*b), wantB) << "put back after another page";
    text(*b, u"CE", 3);
    EXPECT_EQ(step(*b), wantB2) << "own cells changed";
    EXPECT_EQ(step(*a), wantA);

    CLumiChar far[2];
    far[0].code = u'D';
    far[0].attr.color = 3;
    engine->disp_unicode(0, 0, far);
    EXPECT_EQ(step(*a), wantA) << "after a direct drawing";

    text(*a, u"AB", 14); // a colour of fifteen frames
    a->animCounter = 1;
    const auto frame1 = fresh(*a);
    a->animCounter = 0;
    const auto frame0 = fresh(*a);
    ASSERT_NE(frame0, frame1);
    EXPECT_EQ(step(*a), frame0);
    a->animCounter = 1;
    EXPECT_EQ(step(*a), frame1) << "next frame of an animated colour";

    text(*a, u"AB", 3);
    EXPECT_EQ(step(*a), wantA);
    EXPECT_EQ(step(*a), wantA);
    lit->Clear(); // the same library object, emptied: nothing to draw with
    const auto cleared = step(*a);
    EXPECT_EQ(cleared, fresh(*a));
    EXPECT_NE(cleared, wantA) << "library changed under a kept drawing";
}

// Laid out to the board width on the wider Twist strip, every band row is
// stretched alike: column c shows column truncate(c * ratio) of the text as
// drawn, the ratio being the board width over the strip width.
TEST_F(TextDrawing, FitTextIsStretchedRowByRowAlongTheStrip)
{
    const std::unique_ptr<CContent> lit = qvrtest::OpenLibrary(1, 10);
    engine->SetContent(lit.get());
    SetLine(u"AB");
    for (int i = 0; i < 2; ++i)
        page->item.chars[i].attr.color = 3; // every dot of a cell lit
    page->item.fit = 1;
    engine->SetPageInfo(page);
    page->effectS.code = 95;
    page->repeatCount = 1;
    // The text as drawn before stretching: centred on the 166-column strip as
    // if it were as wide as the board.
    engine->SetModuleSize(6, 1);
    engine->disp_unicode((166 - 96) / 2, 0, page->item.chars);
    std::vector<std::vector<unsigned char>> drawn;
    for (int y = 0; y < 16; ++y)
        drawn.emplace_back(CEffect::m_LB[y], CEffect::m_LB[y] + 166);

    EXPECT_EQ(engine->effect_unicode(0, 0), 166u);
    const float ratio = 96.0f / 166.0f;
    for (int y = 0; y < 16; ++y) {
        float a = 0;
        for (int c = 0; c < 166; ++c, a += ratio)
            ASSERT_EQ(CEffect::m_LB[y][c], drawn[y][static_cast<int>(a)]) << c << "," << y;
        ASSERT_EQ(CEffect::m_LB[y][166], 0) << y;
    }
}

TEST_F(TextDrawing, BlankCellsOfOtherKinds)
{
    engine->SetPageInfo(page);
    CLumiChar cells[6];
    cells[0].code = 0xAC00; // 16 wide
    cells[1].code = u'A';
    cells[1].attr.kind = 2; // keeps the 16 of the cell before
    cells[2].code = u'A';   // 8 wide
    cells[3].code = u'A';
    cells[3].attr.kind = 0; // keeps 8
    cells[4].code = u'B';
    std::memset(CEffect::m_LB, 5, sizeof CEffect::m_LB);
    EXPECT_EQ(engine->disp_unicode(0, 0, cells), 56u);
    ASSERT_TRUE(Lit(Paint(0xAC00)));
    ExpectAt(Paint(0xAC00), 0, 0);
    for (long c = 16; c < 32; ++c)
        ASSERT_TRUE(ColumnDark(c)) << c;
    ExpectAt(Paint(u'A'), 32, 0);
    for (long c = 40; c < 48; ++c)
        ASSERT_TRUE(ColumnDark(c)) << c;
    ExpectAt(Paint(u'B'), 48, 0);

    // A blank cell first has no width.
    CLumiChar first[2];
    first[0].code = u'A';
    first[0].attr.kind = 6;
    EXPECT_EQ(engine->disp_unicode(10, 0, first), 10u);
}

TEST_F(TextDrawing, TwoLineItems)
{
    CLumivo& item = page->item;
    item.type = LUMIVO_ENG2LINE;
    for (CLumiChar& c : item.chars)
        c.Initialize(LUMIVO_ENG2LINE);
    SetLine(u"AB", 0);  // 12 wide
    SetLine(u"CDE", 1); // 18 wide
    engine->SetPageInfo(page);
    EXPECT_EQ(page->textWidth, 12);
    EXPECT_EQ(page->textWidth2, 18);
    EXPECT_EQ(engine->effect_unicode(0, 0), 42u + 12u);
    QVXF small;
    small.Initialize(LUMIVO_ENG2LINE);
    const Glyph c = Paint(small, u'C');
    EXPECT_EQ(c.size.cx, 6);
    EXPECT_EQ(c.size.cy, 8);
    ASSERT_TRUE(Lit(c));
    ExpectAt(Paint(small, u'A'), 42, 0);
    ExpectAt(Paint(small, u'B'), 48, 0);
    ExpectAt(c, 39, 8);
    ExpectAt(Paint(small, u'E'), 51, 8);

    // Without centring the second line starts at the given column.
    item.effectLoop = 1;
    engine->effect_unicode(5, 0);
    ExpectAt(Paint(small, u'A'), 5, 0);
    ExpectAt(c, 5 + 39, 8); // line 2 centres on its own width
    item.effectLoop = 0;
    page->fits = 0;
    engine->effect_unicode(5, 0);
    engine->SetAlign(0);
    engine->effect_unicode(5, 0);
    EXPECT_EQ(page->fits, 1u); // every drawing analyses the page again
}

TEST_F(TextDrawing, TwistStrip)
{
    CLumivo& item = page->item;
    SetLine(u"AB");
    engine->SetPageInfo(page);
    CEFF twist(95, 50);
    engine->SetEffectS(twist);
    page->repeatCount = 2;
    page->gapCount = 1;
    // Strip 96 + 70 wide; the text centred on it; a space between copies.
    EXPECT_EQ(engine->effect_unicode(0, 0), 75u + 16u + 8u + 16u);
    EXPECT_EQ(page->width, 166);
    const Glyph a = Paint(u'A');
    ExpectAt(a, 75, 0);
    ExpectAt(a, 99, 0);
    EXPECT_TRUE(ColumnDark(91) && ColumnDark(98));
    // A repeat count of 0 fills the strip.
    page->repeatCount = 0;
    EXPECT_EQ(engine->effect_unicode(0, 0), 75u + 4 * 24u);

    // Tall bands take the strip width table; the drum codes its own strip.
    page->height = 32;
    engine->effect_unicode(0, 0);
    EXPECT_EQ(page->width, CEffect::m_CylMX[3]);
    page->effectS.code = 98;
    engine->effect_unicode(0, 0);
    EXPECT_EQ(page->width, engine->m_DrumMX);
    // An automatic Twist keeps the page width.
    page->width = 96;
    page->effectS.code = 0x8000 | 95;
    EXPECT_EQ(engine->effect_unicode(0, 0), 56u);
    EXPECT_EQ(page->width, 96);

    // Cells and gaps of no width cannot hold the strip up.
    page->effectS.code = 96;
    for (int i = 0; i < 3; ++i)
        item.chars[i].attr.kind = 6, item.chars[i].attr.widthIndex = 5;
    page->gapCount = 0;
    page->repeatCount = 0;
    EXPECT_EQ(engine->effect_unicode(0, 0), 100u); // (201 - 0) / 2 on the tall band, then nothing

    // A two-line item continues its second line on the same rows.
    Board(6, 1);
    CLumivo& two = page->item;
    two.type = LUMIVO_ENG2LINE;
    for (CLumiChar& c : two.chars)
        c.Initialize(LUMIVO_ENG2LINE);
    SetLine(u"AB", 0);
    SetLine(u"C", 1);
    engine->SetPageInfo(page);
    engine->SetEffectS(twist);
    page->repeatCount = 1;
    QVXF small;
    small.Initialize(LUMIVO_ENG2LINE);
    const long x = (166 - 12) >> 1;
    EXPECT_EQ(engine->effect_unicode(0, 0), static_cast<unsigned>(x + 18));
    ExpectAt(Paint(small, u'C'), x + 12, 0);
}

TEST_F(TextDrawing, NoneStartDrawsEveryFrame)
{
    SetLine(u"AB");
    engine->SetPageInfo(page);
    CEFF none(100, 3);
    engine->SetEffectS(none);
    engine->_init_effs(0);
    const Glyph a = Paint(u'A');
    for (int call = 1; call <= 3; ++call) {
        std::memset(page->bits, 0, PageInfo::kFrameBytes);
        EXPECT_EQ(engine->GetEffectS(), call < 3 ? 0u : CEffect::kEffectEnd);
        for (long y = 0; y < 16; ++y)
            for (long x = 0; x < 8; ++x)
                ASSERT_EQ(rig->Pixel(40 + x, y), CEffect::GetRGX2RGB(a.at(x, y)));
    }
}

TEST_F(TextDrawing, ScrollingWait)
{
    // 104 pixels on a 96-pixel band: drawn from column 0, then 8 steps left.
    SetLine(std::u16string(13, u'A'));
    engine->SetPageInfo(page);
    EXPECT_EQ(page->fits, 0u);
    CEFF scroll(59, 50);
    engine->SetEffectW(scroll);
    engine->_init_effw(1);
    const Glyph a = Paint(u'A');
    int calls = 0;
    DWORD r;
    do {
        r = engine->GetEffectW();
        ++calls;
        ASSERT_EQ(rig->Pixel(0, 5), CEffect::GetRGX2RGB(a.at((calls - 1) % 8, 5)));
    } while (r == 0 && calls < 50);
    EXPECT_EQ(calls, 9);
    EXPECT_EQ(page->limit, -8);
    EXPECT_EQ(page->xOffset, -8);
    // The text ends at the right edge; the wait's last stage goes on from there.
    engine->_init_effw(2);
    EXPECT_EQ(page->xOffset, -8);

    // Text narrower than the band: over on the first call.
    SetLine(u"AB");
    engine->SetPageInfo(page);
    engine->_init_effw(1);
    EXPECT_EQ(engine->effect_0400W(), CEffect::kEffectEnd);
}

TEST_F(TextDrawing, LiveTextIsFreshInEveryFrame)
{
    SYSTEMTIME t;
    t.wYear = 2026, t.wMonth = 3, t.wDay = 5, t.wHour = 9, t.wMinute = 7;
    qvr::SetEffectClock([&t](SYSTEMTIME& out) {
        out = t;
        return true;
    });
    CGlobalization::SetLangDir(effecttest::LangDir());
    CGlobalization::SelectLanguage(u"English");
    page->item.type = LUMIVO_TIME;
    page->item.format = 2; // HH:mm
    engine->SetPageInfo(page);
    engine->effect_unicode(0, 0);
    EXPECT_EQ(page->item.chars[4].code, u'7');
    t.wMinute = 8;
    engine->effect_unicode(0, 0);
    EXPECT_EQ(page->item.chars[4].code, u'8');
    EXPECT_EQ(page->textWidth, 5 * 8);
    qvr::SetEffectClock({});
    CGlobalization::SetLangDir(std::filesystem::path());
}

TEST_F(TextDrawing, MovesTakeTheAnimationCounter)
{
    engine->SetPageInfo(page);
    page->animCounter = 3;
    CLumiChar cells[3];
    cells[0].code = 10; // a move's number is never a line control
    cells[0].attr.kind = 5;
    cells[1].code = u'A';
    Glyph move;
    move.pixels.assign(CEffect::kGlyphBytes, 0);
    move.size = library->make_mov16x16(cells[0].attr, 10, 3, move.pixels.data(), move.pixels.size());
    ASSERT_TRUE(Lit(move));
    EXPECT_EQ(engine->disp_unicode(0, 0, cells), static_cast<unsigned>(move.size.cx + 8));
    ExpectAt(move, 0, 0);
    ExpectAt(Paint(u'A'), move.size.cx, 0);
}

TEST_F(TextDrawing, LineWithoutEndMarkStopsAtTheItemsEnd)
{
    // Every cell filled: the text runs on into line 2 and ends with the item.
    for (CLumiChar& c : page->item.chars)
        c.code = u'A';
    engine->SetPageInfo(page);
    EXPECT_EQ(page->textWidth, 800);
    EXPECT_EQ(page->textWidth2, 400);
    page->item.effectLoop = 1;
    EXPECT_EQ(engine->effect_unicode(0, 0), 800u);
    EXPECT_EQ(engine->disp_unicode(0, 0, page->item.chars + 90), 80u);
}
