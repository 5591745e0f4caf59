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

TEST(ZoomFamily, WaitPulsesThroughDoubleAndHalf)
{
    Board b(2);
    b.Text("AAAA");
    b.Effects(76, 67, 76);
    b.engine->_init_effw(0);
    std::vector<int> turns;
    int calls = 0;
    int last = 32;
    for (; calls < 1000;) {
        ++calls;
        const DWORD r = b.engine->effect_0600W();
        const int pos = b.page->position;
        if (pos != last + (last < pos ? 1 : -1) && pos != last)
            ADD_FAILURE() << "jump at call " << calls;
        last = pos;
        if (r == CEffect::kEffectEnd)
            break;
    }
    // 32 up to 48, down to 16, up to 32, each turning point shown twice,
    // and one frame more at rest.
    EXPECT_EQ(calls, 17 + 33 + 17 + 1);
    EXPECT_EQ(b.Frame(), b.RestFrame());
}
