// SPDX-License-Identifier: BSD-2-Clause
// Wave (swaying and bouncing) and Zoom (scaling into a rectangle, pulsing).
#include "effect_family_fixture.h"

using namespace familytest;

TEST(WaveFamily, SwayRunsThirtyTwoPositionsOfFourFrames)
{
    Board b(6);
    b.Text("LLLL"); // bars at 32, 40, 48, 56
    b.Effects(69);
    b.engine->effect_0500S(); // position 0: one column left
    EXPECT_EQ(b.ColumnsOf(0, kRed), (std::vector<int>{31, 39, 47, 55}));
    for (int i = 0; i < 4; ++i)
        b.engine->effect_0500S(); // position 1: two left
    EXPECT_EQ(b.ColumnsOf(0, kRed).front(), 30);
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0500S), 125 - 5);
    // Position 31 = entry 7 of the cycle: at rest.
    EXPECT_EQ(b.ColumnsOf(0, kRed).front(), 32);

    b.Effects(73); // eight frames a position
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0500S), 31 * 8 + 1);
}

TEST(WaveFamily, BounceTableSwingsDownToRest)
{
    EXPECT_EQ(qvr::WaveBounce(0), -15);
    EXPECT_EQ(qvr::WaveBounce(15), 0);
    EXPECT_EQ(qvr::WaveBounce(30), 15);
    EXPECT_EQ(qvr::WaveBounce(59), -14);
    EXPECT_EQ(qvr::WaveBounce(86), 13);
    for (int i = 1; i < 317; ++i)
        EXPECT_LE(std::abs(qvr::WaveBounce(i) - qvr::WaveBounce(i - 1)), 1) << i;
    int rest = 0;
    while (qvr::WaveBounce(316 - rest) == 0 && rest < 317)
        ++rest;
    EXPECT_EQ(316 - rest + 1, 255); // first entry of the final rest
}

TEST(WaveFamily, BounceStartFallsInAndEndLeavesUpward)
{
    Board b(6);
    b.Text("TTTT");
    b.Effects(75, 66, 75);
    b.engine->effect_0500S(); // 15 rows up: the top row is out of sight
    EXPECT_EQ(b.ColumnsOf(0, kRed).size(), 0u);
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0500S), 316);
    EXPECT_EQ(b.ColumnsOf(0, kRed).size(), 32u);

    // The wait starts at entry 15 (at rest): 302 frames.
    b.engine->_init_effw(0);
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0500W), 302);

    b.engine->_init_effe(0);
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0500E), 317);
    EXPECT_EQ(b.ColumnsOf(0, kRed).size(), 0u); // left 15 rows up
    EXPECT_EQ(b.page->effectS.code, 75);      // the start code is put back
}

TEST(ZoomFamily, ScaleTable)
{
    EXPECT_FLOAT_EQ(qvr::ZoomScale(16), 0.5f);
    EXPECT_FLOAT_EQ(qvr::ZoomScale(32), 1.0f);
    EXPECT_FLOAT_EQ(qvr::ZoomScale(40), 1.5f);
    EXPECT_FLOAT_EQ(qvr::ZoomScale(52), 2.5f);
    EXPECT_FLOAT_EQ(qvr::ZoomScale(64), 4.5f);
}

TEST(ZoomFamily, HalfSizeInTheTopLeftQuarter)
{
    Board b(2, 2); // 32 x 32
    b.Text("AAAA"); // fills the top 16 rows
    b.Effects(84);
    for (int i = 0; i < 17; ++i)
        EXPECT_EQ(b.engine->effect_0600S(), 0u); // positions 0 .. 16
    // Half size: the top half of the text in the top-left quarter's top half.
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            EXPECT_EQ(b.Pixel(x, y), (x < 16 && y < 8) ? kRed : kBlack) << x << "," << y;
    const RECT r = qvr::LastZoomRect();
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 16);
    EXPECT_EQ(r.bottom, 16);
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0600S), 16);
    EXPECT_EQ(b.Frame(), b.RestFrame()); // full size: the band unchanged
}

TEST(ZoomFamily, EndShrinksToNothing)
{
    Board b(2);
    b.Text("AAAA");
    b.Effects(76, 92, 77);
    b.engine->_init_effe(0);
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0600E), 33);
    EXPECT_EQ(b.ColumnsOf(8, kBlack).size(), 32u);
    EXPECT_EQ(qvr::LastZoomRect().right - qvr::LastZoomRect().left, 0);

    b.engine->_init_effe(0);
    b.page->effectE.code = 76; // blows up to 4.5 times
    EXPECT_EQ(b.CallsToEnd(&CEffect::effect_0600E), 33);
}

// The shrinking starts begin magnified 4.5 times about the band's centre
// (across, down, or both) and come to rest at full size, never growing.
TEST(ZoomFamily, ShrinkingStartsBeginMagnifiedAndComeToRest)
{
    const struct {
        uint16_t code;
        RECT first;         // the magnified rectangle: 144 x 72 about the centre
        int firstLitColumns; // of row 8 on the first frame
    } cases[] = {
        {77, {-56, -28, 88, 44}, 32}, // both ways: the text's middle fills the band
        {79, {-56, 0, 88, 16}, 32},   // across only
        {81, {0, -28, 32, 44}, 8},    // down only: the 8 columns of the text
    };
    for (const auto& c : cases) {
        Board b(2); // 32 x 16
        b.Text("A"); // a solid 8 x 16 block at columns 12 .. 19
        b.Effects(c.code);
        EXPECT_EQ(b.engine->effect_0600S(), 0u) << c.code;
        const RECT r = qvr::LastZoomRect();
        EXPECT_EQ(std::vector<long>({r.left, r.top, r.right, r.bottom}),
                  std::vector<long>({c.first.left, c.first.top, c.first.right, c.first.bottom}))
            << c.code;
        EXPECT_EQ(static_cast<int>(b.ColumnsOf(8, kRed).size()), c.firstLitColumns) << c.code;
        EXPECT_EQ(b.ColumnsOf(0, kRed).size(), b.ColumnsOf(15, kRed).size()) << c.code;
        long width = r.right - r.left;
        int calls = 1;
        DWORD end = 0;
        while (end == 0 && calls < 100) {
            end = b.engine->effect_0600S();
            ++calls;
            const RECT now = qvr::LastZoomRect();
            EXPECT_LE(now.right - now.left, width) << c.code << " grew at call " << calls;
            width = now.right - now.left;
        }
        EXPECT_EQ(calls, 33) << c.code; // positions 64 down to 32
        EXPECT_EQ(width, 32) << c.code;
        EXPECT_EQ(b.Frame(), b.RestFrame()) << c.code;
    }
}

// The wait pulses in four legs: 67 first to double size (scale entry 48),
// then to half (16); 68 first to half, then to double; both back to full
// size, each turning point shown twice and the rest once more.
TEST(ZoomFamily, WaitPulsesToDoubleOrHalfFirst)
{
    for (uint16_t code : {67, 68}) {
        Board b(2);
        b.Text("AAAA");
        b.Effects(76, code, 76);
        b.engine->_init_effw(0);
        std::vector<long> widths; // of the rectangle, one per call
        for (DWORD r = 0; r == 0 && widths.size() < 1000;) {
            r = b.engine->effect_0600W();
            widths.push_back(qvr::LastZoomRect().right - qvr::LastZoomRect().left);
        }
        // The widths where the pulse starts, turns and ends, in order.
        std::vector<long> path; // without repeats
        for (long w : widths)
            if (path.empty() || path.back() != w)
                path.push_back(w);
        std::vector<long> turns{path.front()};
        for (size_t i = 1; i + 1 < path.size(); ++i)
            if ((path[i] > path[i - 1]) != (path[i + 1] > path[i]))
                turns.push_back(path[i]);
        turns.push_back(path.back());
        const std::vector<long> want = code == 67 ? std::vector<long>{32, 64, 16, 32}
                                                  : std::vector<long>{32, 16, 64, 32};
        EXPECT_EQ(turns, want) << code;
        EXPECT_EQ(widths.size(), 17u + 33u + 17u + 1u) << code;
        EXPECT_EQ(b.Frame(), b.RestFrame()) << code;
    }
}
