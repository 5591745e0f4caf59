// SPDX-License-Identifier: GPL-2.0-or-later
// The play loop: play list, tick counting, effect phases, pictures, clocks
// and the single-effect mode, driven tick by tick.
#include "../../../libqvr/tests/container_writer.h"

#include "core/player.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using lumivo::CPlayer;

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kYellow = 0xFFFF00;

const std::vector<uint8_t>& Library()
{
    static const std::vector<uint8_t> bytes = [] {
        qvrtest::LibraryShape shape; // images 64 x 32, movies 64 x 32 x 4 frames
        return qvrtest::MakeLibrary(shape).Build();
    }();
    return bytes;
}

CLumivo Text(const char* text, unsigned height = 2)
{
    CLumivo item;
    for (size_t i = 0; text[i] && i < 49; ++i)
        item.chars[i].code = static_cast<uint16_t>(text[i]);
    item.height = static_cast<uint8_t>(height);
    return item;
}

CLumivo Picture(int type, unsigned index, unsigned height, uint8_t speed = 0)
{
    CLumivo item;
    item.type = static_cast<uint8_t>(type);
    item.chars[0].code = static_cast<uint16_t>(index);
    item.height = static_cast<uint8_t>(height);
    item.effectS.param = speed;
    return item;
}

CLumivo Clock(unsigned height, unsigned scheme = 0)
{
    CLumivo item;
    item.type = LUMIVO_ANALOG;
    item.height = static_cast<uint8_t>(height);
    item.chars[0].attr.color = scheme & 0xFF;
    return item;
}

// Effects that take one tick a step: speed 0 gives a step delay of 1.
void Quick(CLumivo& item, uint16_t s, uint16_t w, uint16_t e)
{
    item.effectS = CEFF{s, 0};
    item.effectW = CEFF{w, 0};
    item.effectE = CEFF{e, 0};
}

uint32_t FramePixel(const PageInfo& e, int x, int y)
{
    uint32_t v;
    std::memcpy(&v, e.bits + static_cast<size_t>(y) * e.bitmap.bmWidthBytes + static_cast<size_t>(x) * 4, 4);
    return v;
}

class Player : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(content->Initialize(Library().data(), Library().size()), 1);
        player->SetContent(content.get());
    }
    void Board(unsigned columns, unsigned rows) { player->SetModuleSize(columns, rows); }
    // One tick, and the paint it asks for.
    void Step()
    {
        player->Tick();
        if (player->TakeRepaint())
            player->Render();
    }
    uint32_t At(int x, int y) const { return player->Board()[static_cast<size_t>(y) * player->BoardWidth() + x]; }

    std::unique_ptr<CContent> content = std::make_unique<CContent>();
    std::unique_ptr<CPlayer> player = std::make_unique<CPlayer>();
};

TEST_F(Player, PlayListStacksBandsFromTheTopAndClipsBelowTheBoard)
{
    Board(2, 2); // 32 x 32
    CPlayer bare;
    EXPECT_FALSE(bare.Play({Text("A")})); // no content library: nothing plays
    EXPECT_FALSE(bare.IsPlaying());

    ASSERT_TRUE(player->Play({Text("A"), Picture(LUMIVO_IMAGE, 1, 4), Text("B"), Clock(2)}));
    ASSERT_EQ(player->EntryCount(), 4u);
    const int ys[] = {0, 16, 48, 64}, hs[] = {16, 32, 16, 16};
    for (size_t i = 0; i < 4; ++i) {
        const PageInfo& e = player->Entry(i);
        EXPECT_EQ(e.kind, e.item.type);
        EXPECT_EQ(e.x, 0);
        EXPECT_EQ(e.y, ys[i]) << i;
        EXPECT_EQ(e.height, hs[i]) << i;
        EXPECT_EQ(e.phase, 0u);
    }
    // Effect and clock items: a 32-bit frame of the band.
    for (size_t i : {0u, 2u, 3u}) {
        const BITMAP& bm = player->Entry(i).bitmap;
        EXPECT_EQ(bm.bmWidth, 32);
        EXPECT_EQ(bm.bmHeight, hs[i]);
        EXPECT_EQ(bm.bmWidthBytes, 128);
        EXPECT_EQ(bm.bmBitsPixel, 32);
    }
    // The picture: its header and pixels from the library.
    const PageInfo& image = player->Entry(1);
    const RGX_HEADER h = content->GetContentHeader(LUMIVO_IMAGE, 1);
    EXPECT_EQ(std::memcmp(&image.contentHeader, &h, sizeof h), 0);
    EXPECT_EQ(image.bitmap.bmWidth, 64);
    EXPECT_EQ(image.bitmap.bmHeight, 32);
    EXPECT_EQ(image.frameBytes, 32u * 256u);

    ASSERT_TRUE(player->Render());
    // The 64-wide image is centred on the 32-wide board: column 16 of the
    // picture is the board's first; the bands below row 32 are cut off.
    bool lit = false;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            EXPECT_EQ(At(x, 16 + (y % 16)), FramePixel(image, x + 16, y % 16)) << x << "," << y;
            lit |= FramePixel(image, x + 16, y % 16) != 0;
        }
    EXPECT_TRUE(lit);
}

TEST_F(Player, AHoldOfFiveSecondsLasts1005Ticks)
{
    Board(6, 1);
    CLumivo item = Text("HOLD");
    Quick(item, 100, 92, 97);
    item.effectS.param = 1; // the None start: one frame
    item.option = 5;
    ASSERT_TRUE(player->Play({item}));
    const PageInfo& e = player->Entry(0);
    int armed = -1, waited = -1;
    for (int tick = 1; tick < 3000 && waited < 0; ++tick) {
        Step();
        if (armed < 0 && e.holdCountdown != 0)
            armed = tick;
        if (e.phase == 1)
            waited = tick;
    }
    ASSERT_GT(armed, 0);
    EXPECT_EQ(waited - armed, 5 * 201);
}

TEST_F(Player, TextWiderThanTheBoardWaitsScrollsWaitsAndEnds)
{
    Board(2, 1); // 32 LEDs: the text does not fit
    CLumivo item = Text("A LONG LINE OF TEXT");
    Quick(item, 100, 92, 97);
    item.option = 0;
    ASSERT_TRUE(player->Play({item}));
    PageInfo& e = player->Entry(0);
    std::vector<std::pair<uint32_t, uint32_t>> seen{{e.phase, e.waitStage}};
    int scrollSteps = 0;
    for (int tick = 0; tick < 5000 && seen.size() < 6; ++tick) {
        Step();
        if (e.phase == 1 && e.waitStage == 1)
            ++scrollSteps;
        if (seen.back() != std::make_pair(e.phase, e.waitStage))
            seen.emplace_back(e.phase, e.waitStage);
    }
    EXPECT_EQ(e.fits, 0u);
    const std::vector<std::pair<uint32_t, uint32_t>> expected = {{0, 0}, {1, 0}, {1, 1}, {1, 2}, {2, 0}, {0, 0}};
    EXPECT_EQ(seen, expected);
    EXPECT_GT(scrollSteps, 32); // the scroll runs the text across the board
}

TEST_F(Player, EffectLoopRepeatsTheStartEffect)
{
    Board(6, 1);
    CLumivo item = Text("LOOP");
    Quick(item, 100, 92, 97);
    item.effectS.param = 3;
    item.option = 0;
    item.effectLoop = 1;
    ASSERT_TRUE(player->Play({item}));
    const PageInfo& e = player->Entry(0);
    int restarts = 0;
    uint32_t last = e.frameCount;
    for (int tick = 0; tick < 400; ++tick) {
        Step();
        ASSERT_EQ(e.phase, 0u);
        restarts += e.frameCount < last;
        last = e.frameCount;
    }
    EXPECT_GT(restarts, 10);

    // With the scrolling start code the wait and end become 59's partners;
    // a picture keeps its codes.
    CLumivo flow = Text("FLOW");
    flow.effectS = CEFF{59, 50};
    flow.effectW = CEFF{60, 50};
    flow.effectE = CEFF{70, 50};
    flow.effectLoop = 1;
    CLumivo image = Picture(LUMIVO_IMAGE, 0, 2);
    image.effectS = flow.effectS;
    image.effectW = flow.effectW;
    image.effectLoop = 1;
    ASSERT_TRUE(player->Play({flow, image}));
    EXPECT_EQ(player->Entry(0).effectW.code, 92);
    EXPECT_EQ(player->Entry(0).effectE.code, 97);
    EXPECT_EQ(player->Entry(0).item.effectW.code, 60);
    EXPECT_EQ(player->Entry(1).effectW.code, 60);
}

TEST_F(Player, ATallImageScrollsToItsLastRowAndBack)
{
    Board(4, 1); // 64 x 16: the 64 x 32 image is twice the band
    ASSERT_TRUE(player->Play({Picture(LUMIVO_IMAGE, 0, 2)}));
    const PageInfo& e = player->Entry(0);
    std::vector<int> positions;
    bool lastRowShown = false;
    for (int tick = 0; tick < 200; ++tick) {
        const int before = e.scrollPos;
        Step();
        if (e.scrollPos != before)
            positions.push_back(e.scrollPos);
        if (e.scrollPos == 16) {
            bool same = true;
            for (int x = 0; x < 64; ++x)
                same &= At(x, 15) == FramePixel(e, x, 31) && At(x, 0) == FramePixel(e, x, 16);
            lastRowShown |= same;
        }
    }
    ASSERT_GE(positions.size(), 40u);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(positions[static_cast<size_t>(i)], i < 16 ? i + 1 : 31 - i) << i;
    EXPECT_EQ(positions[32], 1); // and down again
    EXPECT_TRUE(lastRowShown);

    // A picture no taller than its band stays put.
    ASSERT_TRUE(player->Play({Picture(LUMIVO_IMAGE, 0, 4)}));
    for (int tick = 0; tick < 100; ++tick)
        Step();
    EXPECT_EQ(player->Entry(0).scrollPos, 0);
}

TEST_F(Player, AMovieStepsThroughItsFramesAndWraps)
{
    Board(4, 2);
    ASSERT_TRUE(player->Play({Picture(LUMIVO_MOVIE, 1, 4)}));
    PageInfo& e = player->Entry(0);
    ASSERT_EQ(e.contentHeader.frames, 4);
    std::vector<uint32_t> shown;
    for (int tick = 0; tick < 20 * 9; ++tick) {
        const uint32_t before = e.animCounter;
        Step();
        if (e.animCounter != before) {
            shown.push_back(e.animCounter);
            const int top = static_cast<int>(e.animCounter % 4) * 32;
            for (int y = 0; y < 32; y += 7)
                for (int x = 0; x < 64; x += 5)
                    ASSERT_EQ(At(x, y), FramePixel(e, x, top + y)) << e.animCounter;
        }
    }
    // The first frame delay is the record's 30 ticks, then 20 with speed 0.
    EXPECT_GE(shown.size(), 8u);
    for (size_t i = 0; i < shown.size(); ++i)
        EXPECT_EQ(shown[i], i + 1);

    // A header without frames shows a dark band instead of dividing by 0;
    // one that promises more frames than the picture holds shows a dark
    // band for the missing ones.
    for (auto [frames, height, counter] : {std::tuple{0, 32, 1}, std::tuple{65535, 65535, 65534}}) {
        e.contentHeader.frames = static_cast<uint16_t>(frames);
        e.contentHeader.height = static_cast<uint16_t>(height);
        e.animCounter = static_cast<uint32_t>(counter);
        ASSERT_TRUE(player->Render());
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 64; ++x)
                ASSERT_EQ(At(x, y), 0u) << frames;
    }
}

TEST(PlayerPictures, APictureLargerThanTheFrameStorageIsCutAtItsEnd)
{
    // 320 x 64 x 8 frames: 512 rows of 1280 bytes, more than the 524,288 bytes of a frame.
    qvrtest::LibraryShape shape;
    shape.animation = qvrtest::Header(CONTENT_ANIMATION, 320, 64, 8);
    shape.animations = 1;
    const std::vector<uint8_t> bytes = qvrtest::MakeLibrary(shape).Build();
    auto content = std::make_unique<CContent>();
    ASSERT_EQ(content->Initialize(bytes.data(), bytes.size()), 1);
    auto player = std::make_unique<CPlayer>();
    player->SetContent(content.get());
    player->SetModuleSize(20, 4);
    ASSERT_TRUE(player->Play({Picture(LUMIVO_ANIMATION, 0, 8)}));
    PageInfo& e = player->Entry(0);
    // The field after the storage is the frame size: untouched by the pixels.
    EXPECT_EQ(e.frameBytes, 512u * 1280u);
    // 409 rows are stored: frame 6 (rows 384 to 447) shows its first 25
    // rows, frame 7 nothing.
    e.animCounter = 6;
    ASSERT_TRUE(player->Render());
    for (int i = 25 * 320; i < 320 * 64; ++i)
        ASSERT_EQ(player->Board()[i], 0u) << i;
    e.animCounter = 7;
    ASSERT_TRUE(player->Render());
    for (int i = 0; i < 320 * 64; ++i)
        ASSERT_EQ(player->Board()[i], 0u) << i;
    e.animCounter = 1;
    ASSERT_TRUE(player->Render());
    int lit = 0;
    for (int i = 0; i < 320 * 64; ++i)
        lit += player->Board()[i] != 0;
    EXPECT_GT(lit, 0);
}

class PlayerClock : public Player {
protected:
    void SetTime(int h, int m, int s)
    {
        player->SetClock([h, m, s](SYSTEMTIME& t) {
            t = SYSTEMTIME{};
            t.wYear = 2026, t.wMonth = 1, t.wDay = 1;
            t.wHour = static_cast<WORD>(h), t.wMinute = static_cast<WORD>(m), t.wSecond = static_cast<WORD>(s);
            return true;
        });
    }
};

TEST_F(PlayerClock, ThreeOClockPointsTheHourHandRightAndTheMinuteHandUp)
{
    Board(4, 2); // 64 x 32, a 32 x 32 face from column 16
    SetTime(3, 0, 0);
    ASSERT_TRUE(player->Play({Clock(4)}));
    ASSERT_TRUE(player->Render());
    // Centre (31, 15). Hour hand (red, 2 wide) to (40, 15); minute hand
    // (red, 2 wide) to (31, 3); the second hand (green) to (31, 2) on top.
    for (int x = 33; x <= 40; ++x) {
        EXPECT_EQ(At(x, 15), kRed) << x;
        EXPECT_EQ(At(x, 16), kRed) << x;
    }
    EXPECT_NE(At(42, 15), kRed); // the 2-wide pen covers one column past the end
    for (int y = 3; y < 14; ++y) {
        EXPECT_EQ(At(31, y), kGreen) << y;
        EXPECT_EQ(At(32, y), kRed) << y;
    }
    EXPECT_EQ(At(31, 2), kGreen);
    // Nothing on the left half inside the ring but the face's ticks.
    for (int x = 20; x < 29; ++x)
        EXPECT_NE(At(x, 15), kRed);
    // The ring (yellow): top and bottom of the face, and nothing outside it.
    EXPECT_EQ(At(31, 0), kYellow);
    EXPECT_EQ(At(31, 30), kYellow);
    EXPECT_EQ(At(16, 15), kYellow);
    for (int y = 0; y < 32; ++y)
        for (int x : {0, 15, 48, 63})
            EXPECT_EQ(At(x, y), 0u);
}

TEST_F(PlayerClock, SizesSchemesAndHandsFollowTheTable)
{
    using lumivo::analog::FaceOfSize;
    EXPECT_EQ(FaceOfSize(0).pixels, 0);
    EXPECT_EQ(FaceOfSize(2).pixels, 32);
    EXPECT_EQ(FaceOfSize(3).minute, 20);
    EXPECT_EQ(FaceOfSize(4).second, 28);
    EXPECT_EQ(FaceOfSize(7).pixels, 64); // taller bands keep the largest face
    // Scheme 1: green face, yellow hands, red second hand; an unknown scheme is scheme 0.
    EXPECT_EQ(lumivo::analog::SchemeOf(1).face, 2);
    EXPECT_EQ(lumivo::analog::SchemeOf(9).face, lumivo::analog::SchemeOf(0).face);

    // 9:30:45 on a 48-dot face: hour index 45 + 2 = 47, minute 30, second 45.
    Board(4, 3);
    SetTime(21, 30, 45);
    ASSERT_TRUE(player->Play({Clock(6, 2)}));
    ASSERT_TRUE(player->Render());
    const int cx = 31, cy = 23;
    EXPECT_EQ(At(cx + (-97 * 14 / 100), cy - (20 * 14 / 100)), CEffect::GetRGX2RGB(3)); // hour
    EXPECT_EQ(At(cx, cy + 99 * 20 / 100), CEffect::GetRGX2RGB(1));                      // minute
    EXPECT_EQ(At(cx - 99 * 21 / 100, cy), CEffect::GetRGX2RGB(2));                      // second

    // A band lower than a module shows no clock; a one-row board a small one.
    Board(4, 1);
    ASSERT_TRUE(player->Play({Clock(1), Clock(2)}));
    ASSERT_TRUE(player->Render());
    int lit = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 64; ++x)
            lit += At(x, y) != 0;
    EXPECT_EQ(lit, 0);
    EXPECT_EQ(At(31, 8), CEffect::GetRGX2RGB(3)); // the 16-dot ring's top
}

TEST_F(Player, SingleEffectModeLoopsTheShownEffect)
{
    Board(6, 1);
    CLumivo item = Text("ONE");
    Quick(item, 100, 92, 97);
    item.effectS.param = 3;
    item.effectE.param = 0x24; // step delay 5
    player->SetSingleEffect(true, 0);
    ASSERT_TRUE(player->Play({item, Text("TWO")}));
    const PageInfo& e = player->Entry(0);
    std::vector<uint32_t> counts;
    for (int i = 0; i < 9; ++i) {
        ASSERT_TRUE(player->Render());
        counts.push_back(e.frameCount);
        EXPECT_EQ(e.stepDelay, 1u);
        EXPECT_EQ(e.phase, 0u);
    }
    // A run of three steps (the third ends it), then the start is set up again.
    const std::vector<uint32_t> expected = {1, 2, 0, 1, 2, 0, 1, 2, 0};
    EXPECT_EQ(counts, expected);
    EXPECT_EQ(player->Entry(1).frameCount, 0u); // only the first item plays

    player->SetSingleEffect(true, 2);
    ASSERT_TRUE(player->Play({item}));
    EXPECT_EQ(player->Entry(0).phase, 2u); // prepared for the end effect
    ASSERT_TRUE(player->Render());
    EXPECT_EQ(player->Entry(0).stepDelay, 5u);

    // A wait effect runs at its own speed, not the start's or the end's.
    item.effectW.param = 50; // step delay 7
    player->SetSingleEffect(true, 1);
    ASSERT_TRUE(player->Play({item}));
    EXPECT_EQ(player->Entry(0).phase, 1u);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(player->Render());
        EXPECT_EQ(player->Entry(0).stepDelay, 7u) << i;
    }
}

TEST_F(Player, TicksCountTheHoldAndAskForPaints)
{
    Board(6, 1);
    CLumivo item = Text("T");
    item.effectS.param = 50; // step delay 7 after the first paint
    ASSERT_TRUE(player->Play({item}));
    PageInfo& e = player->Entry(0);
    EXPECT_EQ(e.stepDelay, 5u);
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(player->Tick());
    EXPECT_TRUE(player->Tick());
    EXPECT_TRUE(player->Tick()); // stays asked for until a paint re-arms it
    EXPECT_TRUE(player->TakeRepaint());
    EXPECT_FALSE(player->RepaintNeeded());
    ASSERT_TRUE(player->Render());
    EXPECT_EQ(e.stepDelay, 7u);

    e.holdCountdown = 32768 + 2;
    e.subSecond = 0;
    for (int i = 0; i < 200; ++i)
        player->Tick();
    EXPECT_EQ(e.holdCountdown, 32770u);
    player->Tick();
    EXPECT_EQ(e.holdCountdown, 32769u);
    EXPECT_EQ(e.subSecond, 0u);

    // Stopped, or on a board of 0 x 0, nothing is drawn.
    player->Stop();
    EXPECT_FALSE(player->Render());
    Board(0, 0);
    ASSERT_TRUE(player->Play({item}));
    EXPECT_FALSE(player->Render());
}

} // namespace
