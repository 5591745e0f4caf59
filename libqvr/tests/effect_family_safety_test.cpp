// SPDX-License-Identifier: BSD-2-Clause
// Every family and copier stays inside the line buffer and the frame storage,
// whatever the board, band, frame description or parameters.
#include "effect_family_fixture.h"

#include <cstring>

using namespace familytest;

namespace {

// Host fields next to the frame storage that no step writes.
struct Guard {
    explicit Guard(PageInfo& p) : page(p)
    {
        p.frameBytes = 0xA5A5A5A5u;
        p.x = 0x5A5A5A5A;
        p.y = -0x5A5A5A5A;
        bitmap = p.bitmap;
    }
    void Check(const char* what, int code) const
    {
        EXPECT_EQ(page.frameBytes, 0xA5A5A5A5u) << what << " " << code;
        EXPECT_EQ(page.x, 0x5A5A5A5A) << what << " " << code;
        EXPECT_EQ(page.y, -0x5A5A5A5A) << what << " " << code;
        EXPECT_EQ(std::memcmp(&page.bitmap, &bitmap, sizeof bitmap), 0) << what << " " << code;
    }
    PageInfo& page;
    BITMAP bitmap;
};

// Runs a few steps of every code of every phase.
void RunEveryCode(Board& b, int steps)
{
    Guard g(*b.page);
    struct Phase {
        const char* name;
        int last;
        DWORD (CEffect::*get)();
    };
    const Phase phases[3] = {{"start", 99, &CEffect::GetEffectS},
                             {"wait", 91, &CEffect::GetEffectW},
                             {"end", 96, &CEffect::GetEffectE}};
    for (int ph = 0; ph < 3; ++ph) {
        for (int code = 1; code <= phases[ph].last; ++code) {
            const uint16_t c = static_cast<uint16_t>(code);
            if (ph == 0)
                b.Effects(c, 92, 97);
            else if (ph == 1)
                b.Effects(100, c, 97);
            else
                b.Effects(100, 92, c);
            if (ph == 1)
                b.engine->_init_effw(0);
            if (ph == 2)
                b.engine->_init_effe(0);
            for (int i = 0; i < steps; ++i)
                (b.engine.get()->*phases[ph].get)();
            g.Check(phases[ph].name, code);
        }
    }
    // The scrolling wait on text far wider than the board.
    b.engine->_init_effw(1);
    for (int i = 0; i < steps; ++i)
        b.engine->effect_0400W();
    g.Check("scroll wait", 59);
}

} // namespace

TEST(FamilySafety, WideBoardsAndBandsTallerThanTheLineBuffer)
{
    // 300 module columns: the line buffer's width, far beyond the tables.
    Board wide(300, 4, -1, {MaskSpec{}});
    wide.Text("AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"); // 400 pixels
    wide.page->item.option = 3;
    RunEveryCode(wide, 6);

    // A band description taller than the line buffer and the storage.
    Board tall(41, 4, 200);
    tall.page->bitmap.bmHeight = 10000;
    tall.Text(std::string(50, 'A'));
    RunEveryCode(tall, 4);

    // A band without rows, and a board of one module.
    Board flat(3, 1, 0);
    flat.Text("AAAAAAAA");
    RunEveryCode(flat, 3);
    Board tiny(1, 1);
    tiny.Text("A");
    RunEveryCode(tiny, 3);
}

TEST(FamilySafety, CopiersClipWhateverTheirParameters)
{
    for (unsigned columns : {1u, 2u, 3u, 40u, 41u, 300u}) {
        Board b(columns, 4);
        b.engine->SetPageInfo(b.page.get());
        std::memset(CEffect::m_LB, 3, sizeof CEffect::m_LB); // every pixel lit
        Guard g(*b.page);
        BITMAP* bm = &b.page->bitmap;
        CEffect& e = *b.engine;
        for (long d : {-1000000L, -4800L, -65L, -1L, 0L, 1L, 63L, 4799L, 1000000L}) {
            for (int mode = 0; mode < 3; ++mode) {
                e._copy_pBUFnCLR(d, 0, static_cast<ROP_MODE>(mode), 7, bm);
                e._copy_pBUFnCLR(0, d, static_cast<ROP_MODE>(mode), 7, bm);
                e._copy_pBUFnCLR(d, d, static_cast<ROP_MODE>(mode), 7, bm);
            }
            e._copy_pBUFnFIX(d, d, 4800, 64, 0, 0, 3, 2, bm);      // shrinking
            e._copy_pBUFnFIX(d, 0, 2, 2, d, d, 100000, 100000, bm); // enlarging
            e._copy_pBUFnFIX(0, d, 1, 1, -d, 0, 5000, 70, bm);
            e._copy_pBUFnFIX(0, 0, 0, 0, 0, 0, 0, 0, bm);
            e._copy_pBUFnTWIST(d, -d, d, 0, 3, bm);
            e._copy_pBUFnTWIST(-d, d, -d, 1, 1000, bm);
            e._copy_pBUFnTWIST(0, 100000, d, 0, -7, bm);
            b.page->xOffset = static_cast<int32_t>(d);
            e._copy_pBUFn3DRotate2(bm);
            e._copy_pBUFn3DRotate3(bm);
            b.page->item.blend = 2; // slanted
            e._copy_pBUFn3DRotate3(bm);
            b.page->item.blend = 0;
        }
        for (int height : {0, 1, 8, 17, 64, 100}) {
            b.page->height = height;
            e._copy_pBUFnANGLE(bm);
            e._copy_pBUFnCircle(0, bm);
            e._copy_pBUFnCircle(1, bm);
            e._copy_pBUFn3DRotate3(bm);
        }
        g.Check("copiers", static_cast<int>(columns));
        std::memset(CEffect::m_LB, 0, sizeof CEffect::m_LB);
    }
}

TEST(FamilySafety, WideBoardTwistShowsTheTableColumnsOnly)
{
    Board b(300, 1);
    b.Text("AAAA");
    b.Effects(95);
    b.engine->effect_0800S();
    for (int y = 0; y < 16; ++y)
        for (int x = CEffect::kTableCols; x < 4800; x += 97)
            ASSERT_EQ(b.Pixel(x, y), kBlack) << x;
}
