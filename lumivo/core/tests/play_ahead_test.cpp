// SPDX-License-Identifier: GPL-2.0-or-later
// Playing ahead to the next changed frame shows exactly the frames, at
// exactly the ticks, that ticking one by one and painting on every asked
// tick shows: for every effect family, scrolling text, pictures, clocks,
// live dates and times, several bands at once and the single-effect mode.
#include "../../../libqvr/tests/container_writer.h"

#include "core/play_ahead.h"
#include "core/player.h"

#include <qvr/effect.h>
#include <qvr/effect_family.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

using lumivo::CPlayAhead;
using lumivo::CPlayer;
using lumivo::VirtualClock;

constexpr uint64_t kTicks = 1600; // 8 s: every phase of every case, some twice

const std::vector<uint8_t>& Library()
{
    static const std::vector<uint8_t> bytes = [] {
        qvrtest::LibraryShape shape;
        shape.image = qvrtest::Header(CONTENT_IMAGE, 64, 48, 1); // taller than its band: it scrolls
        return qvrtest::MakeLibrary(shape).Build();
    }();
    return bytes;
}

CLumivo Item(uint8_t type, const char* text, uint16_t s, uint16_t w, uint16_t e, uint8_t speed)
{
    CLumivo item;
    item.type = type;
    for (size_t i = 0; text[i] && i < 49; ++i)
        item.chars[i].code = static_cast<uint16_t>(text[i]);
    item.height = 2;
    item.effectS = CEFF{s, speed};
    item.effectW = CEFF{w, speed};
    item.effectE = CEFF{e, speed};
    item.option = 1; // a hold of one second
    return item;
}

CLumivo Text(const char* text, uint16_t s, uint16_t w, uint16_t e, uint8_t speed = 16)
{
    return Item(LUMIVO_TEXT, text, s, w, e, speed);
}

CLumivo Picture(uint8_t type, unsigned index, uint8_t speed)
{
    CLumivo item = Item(type, "", 0, 0, 0, speed);
    item.chars[0].code = static_cast<uint16_t>(index);
    item.height = 4;
    return item;
}

struct Case {
    std::string name;
    std::vector<CLumivo> items;
    unsigned columns = 6, rows = 1;
    int single = -1; // the phase shown in single-effect mode
};

std::vector<Case> Cases()
{
    std::vector<Case> cases;
    // One start, wait and end of every family (the first code of each, and
    // one further into the family), at two speeds.
    const uint16_t starts[] = {1, 51, 59, 69, 76, 88, 95, 100};
    const uint16_t waits[] = {1, 51, 59, 60, 67, 79, 89, 92};
    const uint16_t ends[] = {1, 51, 59, 69, 76, 88, 95, 97};
    for (int f = 0; f < 8; ++f) {
        const uint16_t next = f < 7 ? 1 : 0;
        cases.push_back({"family " + std::to_string(f), {Text("Go 12", starts[f], waits[f], ends[f], 0)}});
        cases.push_back({"family " + std::to_string(f) + " further",
                         {Text("AB", uint16_t(starts[f] + next), waits[f], uint16_t(ends[f] + next), 40)}});
    }
    CLumivo looping = Text("Loop", 59, 92, 97, 8);
    looping.effectLoop = 1;
    cases.push_back({"loop", {looping}});
    cases.push_back({"scrolling wait", {Text("A text far wider than the board", 100, 59, 97, 0)}});
    cases.push_back({"two bands at two speeds",
                     {Text("Up", 59, 92, 59, 24), Text("Down", 76, 51, 88, 0)}, 6, 2});
    cases.push_back({"pictures",
                     {Picture(LUMIVO_IMAGE, 1, 30), Picture(LUMIVO_MOVIE, 1, 0), Picture(LUMIVO_ANIMATION, 0, 50)},
                     4, 6});
    CLumivo clock = Item(LUMIVO_ANALOG, "", 0, 0, 0, 0);
    clock.height = 4;
    cases.push_back({"analog clock beside text", {clock, Text("Now", 1, 92, 1, 8)}, 4, 4});
    cases.push_back({"date and time",
                     {Item(LUMIVO_DATE, "", 59, 92, 59, 8), Item(LUMIVO_TIME, "", 100, 92, 97, 8)}, 6, 2});
    for (int phase = 0; phase < 3; ++phase)
        cases.push_back({"single effect, phase " + std::to_string(phase),
                         {Text("Demo", 69, 60, 69, 16)}, 6, 1, phase});
    return cases;
}

struct Frame {
    uint64_t tick;
    uint64_t hash;
    bool operator==(const Frame&) const = default;
    friend void PrintTo(const Frame& f, std::ostream* os) { *os << f.tick << ":" << std::hex << f.hash << std::dec; }
};

uint64_t Hash(const CPlayer& p)
{
    uint64_t h = 1469598103934665603ull;
    const uint32_t* b = p.Board();
    for (size_t i = 0, n = size_t(p.BoardWidth()) * size_t(p.BoardHeight()); i < n; ++i)
        h = (h ^ b[i]) * 1099511628211ull;
    return h;
}

SYSTEMTIME Start()
{
    SYSTEMTIME t{};
    t.wYear = 2026, t.wMonth = 3, t.wDay = 29, t.wHour = 23, t.wMinute = 59, t.wSecond = 57;
    return t;
}

// Both ways of playing start alike: the same pseudo-random sequence and
// the engine's process-wide values (the View wait's toggle and the like) at
// their starting values.
void SeedRandom()
{
    qvr::ResetSharedEffectState();
    qvr::SetEffectRandom([state = 12345u]() mutable {
        state = state * 1103515245u + 12345u;
        return int((state >> 16) & 0x7FFF);
    });
}

class PlayAhead : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override
    {
        ASSERT_EQ(content.Initialize(Library().data(), Library().size()), 1);
        player.SetContent(&content);
        player.SetModuleSize(GetParam().columns, GetParam().rows);
        player.SetSingleEffect(GetParam().single >= 0, std::max(GetParam().single, 0));
        SeedRandom();
    }
    void TearDown() override
    {
        qvr::SetEffectRandom({});
        qvr::SetEffectClock({});
    }
    void Record(std::vector<Frame>& frames, uint64_t tick)
    {
        const uint64_t h = Hash(player);
        if (frames.empty() || frames.back().hash != h)
            frames.push_back({tick, h});
    }

    CContent content;
    CPlayer player;
};

TEST_P(PlayAhead, ShowsTheFramesOfTickingOneByOne)
{
    // One by one: a 5 ms tick, and a paint whenever a tick asks for one.
    std::vector<Frame> byTicks;
    {
        VirtualClock clock(Start());
        player.SetClock(clock.Function());
        qvr::SetEffectClock(clock.Function());
        ASSERT_TRUE(player.Play(GetParam().items));
        ASSERT_TRUE(player.Render());
        Record(byTicks, 0);
        for (uint64_t t = 1; t < kTicks; ++t) {
            clock.Advance(lumivo::kTickMs);
            player.Tick();
            if (player.TakeRepaint() && player.Render())
                Record(byTicks, t);
        }
        qvr::SetEffectClock({});
    }

    // Ahead: from one changed frame to the next, with horizons of both
    // kinds (reached and not).
    // From the same start: the engine's line buffer cleared as before.
    SeedRandom();
    player.SetModuleSize(GetParam().columns, GetParam().rows);
    std::vector<Frame> ahead;
    ASSERT_TRUE(player.Play(GetParam().items));
    CPlayAhead run(player);
    run.Begin(Start());
    Record(ahead, 0);
    unsigned long wakes = 1;
    while (run.Tick() < kTicks) {
        const CPlayAhead::Next next = run.Run(wakes % 2 ? 200 : 7, Start(), 0);
        ++wakes;
        if (next.never)
            break;
        if (next.changed && next.tick < kTicks)
            Record(ahead, next.tick);
    }
    // The first frame that differs, to read a failure at a glance.
    const auto [a, b] = std::mismatch(ahead.begin(), ahead.end(), byTicks.begin(), byTicks.end());
    EXPECT_TRUE(a == ahead.end() && b == byTicks.end())
        << "frame " << (a - ahead.begin()) << " of " << ahead.size() << " / " << byTicks.size() << ": ahead "
        << (a != ahead.end() ? ::testing::PrintToString(*a) : "none") << ", one by one "
        << (b != byTicks.end() ? ::testing::PrintToString(*b) : "none");
    // Playing ahead wakes once per new frame (and per horizon), not per step.
    EXPECT_LE(wakes, byTicks.size() + kTicks / 7 + 2);
    // The cases are not all still: most show many frames.
    if (GetParam().single < 0 && GetParam().name.rfind("family 7", 0) != 0) {
        EXPECT_GT(byTicks.size(), 2u) << GetParam().name;
    }
}

INSTANTIATE_TEST_SUITE_P(Ads, PlayAhead, ::testing::ValuesIn(Cases()), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
});

TEST(PlayAheadStill, AStillBoardMakesNoFrameAndNothingDueNeverWakes)
{
    auto content = std::make_unique<CContent>(); // megabytes: not on the stack
    ASSERT_EQ(content->Initialize(Library().data(), Library().size()), 1);
    CPlayer player;
    player.SetContent(content.get());
    player.SetModuleSize(6, 1);
    // None throughout: the text stands, each step draws the same board.
    ASSERT_TRUE(player.Play({Text("Still", 100, 92, 97, 50)}));
    CPlayAhead run(player);
    run.Begin(Start());
    const unsigned long first = run.Steps();
    const CPlayAhead::Next next = run.Run(200, Start(), 0);
    EXPECT_FALSE(next.changed);
    EXPECT_EQ(next.tick, 200u);
    EXPECT_GT(run.Steps(), first + 20); // the steps were all made, a second's worth

    // An item that asks for no step by itself (a D-Day alone) is never due.
    ASSERT_TRUE(player.Play({Item(LUMIVO_DDAY, "", 100, 92, 97, 0)}));
    CPlayAhead idle(player);
    idle.Begin(Start());
    EXPECT_TRUE(idle.Run(200, Start(), 0).never);
    player.Stop();
    EXPECT_TRUE(idle.Run(200, Start(), 0).never);
}

} // namespace
