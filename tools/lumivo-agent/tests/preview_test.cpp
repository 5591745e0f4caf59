// SPDX-License-Identifier: GPL-2.0-or-later
// The board's twin moves from Ad to Ad when each has played its own length,
// as the board does, not after a fixed slot; asked frame after frame, as
// the live mirror asks, it shows what a play from the turn's start shows.
#include "agent_process.h"

#include "preview.h"

#include "core/project.h"

namespace {

using namespace agent_test;

TEST(Preview, TheNextAdStartsWhenTheFirstHasPlayedItsLength)
{
    // Three text Ads of the sample project, of different effects.
    lumivo::CProjectCore project;
    const std::filesystem::path file = std::filesystem::path(std::getenv("LUMIVO_SOURCE_DIR")) / "examples/welcome.qvndoc";
    ASSERT_TRUE(project.LoadFile(file));
    for (unsigned page = 3; page < project.PageCount(); ++page)
        ASSERT_TRUE(project.SetPageUsed(page, false));
    std::vector<uint8_t> blob;
    ASSERT_TRUE(project.PackAdBlob(blob));
    agent::BoardInfo board;
    board.board = project.Board();

    TempDir scratch;
    agent::CPreview preview(scratch.path.string());
    const agent::Ms sent = 1796860000000; // a fixed instant: live texts draw alike
    std::vector<unsigned> pages;
    std::vector<agent::Ms> lengths;
    std::string error;
    ASSERT_TRUE(preview.Turns(blob, board, sent, pages, lengths, error)) << error;
    ASSERT_EQ((std::vector<unsigned>{1, 2, 3}), pages);
    ASSERT_EQ(3u, lengths.size());
    std::printf("play lengths: %lld, %lld, %lld ms\n", (long long)lengths[0], (long long)lengths[1],
                (long long)lengths[2]);
    for (const agent::Ms ms : lengths) {
        EXPECT_GT(ms, 5 * agent::kSecond) << "each holds 5 s after its start effect";
        EXPECT_NE(agent::kSlotMs, ms);
    }

    // 1.5 s into the second Ad's turn the twin shows what the second Ad
    // alone shows 1.5 s after it was sent.
    ASSERT_TRUE(project.SetPageUsed(0, false));
    std::vector<uint8_t> rest;
    ASSERT_TRUE(project.PackAdBlob(rest));
    agent::CPreview alone(scratch.path.string());
    const agent::Ms second = sent + lengths[0], into = 1500;
    std::vector<uint8_t> twin, expected, first;
    ASSERT_TRUE(preview.Frame(blob, board, sent, second + into, 2, twin, error)) << error;
    ASSERT_TRUE(alone.Frame(rest, board, second, second + into, 2, expected, error)) << error;
    EXPECT_EQ(expected, twin);
    // ... and a whole cycle later again; before the turn, the first Ad.
    const agent::Ms cycle = lengths[0] + lengths[1] + lengths[2];
    ASSERT_TRUE(preview.Frame(blob, board, sent, second + into + cycle, 2, twin, error)) << error;
    ASSERT_TRUE(alone.Frame(rest, board, second + cycle, second + into + cycle, 2, expected, error)) << error;
    EXPECT_EQ(expected, twin);
    ASSERT_TRUE(preview.Frame(blob, board, sent, sent + into, 2, first, error)) << error;
    EXPECT_NE(first, twin);

    // Uneven steps across the turns and a step back: each frame as a fresh twin draws it.
    agent::CPreview live(scratch.path.string());
    std::vector<uint8_t> frame, fresh, last;
    size_t moved = 0;
    for (agent::Ms at = sent + 700, step = 0; at < sent + cycle + 3000; at += 2900, ++step) {
        for (const agent::Ms t : step % 3 == 2 ? std::vector<agent::Ms>{at, at - 500} : std::vector<agent::Ms>{at}) {
            ASSERT_TRUE(live.Frame(blob, board, sent, t, 1, frame, error)) << error;
            ASSERT_TRUE(agent::CPreview(scratch.path.string()).Frame(blob, board, sent, t, 1, fresh, error)) << error;
            ASSERT_EQ(fresh, frame) << "at " << t - sent << " ms";
        }
        moved += frame != last;
        last = frame;
    }
    EXPECT_GT(moved, 5u) << "the frames move";
}

} // namespace
