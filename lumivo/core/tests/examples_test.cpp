// SPDX-License-Identifier: GPL-2.0-or-later
// The sample projects in examples/: each opens cleanly with the program's
// content, every text line fits its board as played, and together they show
// the engine off: every effect family, a picture, a movie, the analog clock,
// Korean and Chinese text.
#include "test_support.h"

#include "core/item_text.h"
#include "core/player.h"

#include <set>

using namespace coretest;

namespace {

bool IsTextKind(uint32_t kind)
{
    return kind == LUMIVO_TEXT || kind == LUMIVO_ENG2LINE || kind == LUMIVO_DATE || kind == LUMIVO_TIME ||
           kind == LUMIVO_TEMPERATURE;
}

bool Holds(const CLumivo& item, char16_t first, char16_t last)
{
    for (const CLumiChar& c : item.chars)
        if (c.code >= first && c.code <= last)
            return true;
    return false;
}

} // namespace

TEST(Examples, EveryTextFitsItsBoardAndTheEngineIsShownOff)
{
    UseEnglish();
    const std::filesystem::path folder = std::filesystem::path(std::getenv("LUMIVO_SOURCE_DIR")) / "examples";
    std::set<unsigned> families, kinds;
    bool korean = false, chinese = false;
    unsigned projects = 0;
    for (const auto& file : std::filesystem::directory_iterator(folder)) {
        if (file.path().extension() != ".qvndoc")
            continue;
        ++projects;
        const std::string name = file.path().filename().string();
        lumivo::CProjectCore project;
        const lumivo::Result r = project.LoadFile(file.path());
        ASSERT_TRUE(r) << name << ": " << r.FirstError();
        EXPECT_EQ(r.messages().size(), 0u) << name << ": " << r.FirstError();
        ASSERT_NE(project.ContentResource(), 0) << name;
        const lumivo::BoardValues& board = project.Board();
        const long width = board.moduleColumn * 16;

        for (unsigned page = 0; page < project.PageCount(); ++page) {
            // Played at a fixed time whose texts are as wide as any, so the
            // live date and time cells hold their text.
            SYSTEMTIME t{};
            t.wYear = 2026, t.wMonth = 12, t.wDay = 28, t.wHour = 23, t.wMinute = 58, t.wSecond = 48;
            lumivo::VirtualClock clock(t);
            lumivo::CPlayer player;
            player.SetClock(clock.Function());
            player.SetContent(&project.Content());
            player.SetModuleSize(board.moduleColumn, board.moduleRow);
            ASSERT_TRUE(player.Play(project.PageItems(page)));
            lumivo::PlayVirtual(player, clock, 300, 20, nullptr);
            for (size_t i = 0; i < player.EntryCount(); ++i) {
                const CLumivo& item = player.Entry(i).item;
                kinds.insert(item.type);
                korean |= board.language == 'A' && Holds(item, 0xAC00, 0xD7A3);
                chinese |= board.language == 'E' && Holds(item, 0x4E00, 0x9FAF);
                if (!IsTextKind(item.type))
                    continue;
                families.insert(lumivo::EffectFamily(0, item.effectS.code));
                families.insert(lumivo::EffectFamily(1, item.effectW.code));
                families.insert(lumivo::EffectFamily(2, item.effectE.code));
                // Each line at its own width, before any squeezing to fit.
                const long line1 = CContent::GetLumiCharWidth(item.chars, CLumivo::kCells);
                EXPECT_GT(line1, 0) << name << " page " << page;
                EXPECT_LE(line1, width) << name << " page " << page << " item " << i;
                if (item.type == LUMIVO_ENG2LINE) {
                    const long line2 = CContent::GetLumiCharWidth(item.chars + CLumivo::kLineCells, CLumivo::kLineCells);
                    EXPECT_LE(line2, width) << name << " page " << page << " second line";
                }
            }
        }
    }
    EXPECT_GE(projects, 3u);
    // Animation, View, Scroll, Wave, Zoom, Color, Twist and None.
    for (unsigned family = 1; family <= 8; ++family)
        EXPECT_TRUE(families.count(family)) << lumivo::EffectFamilyName(family);
    for (uint32_t kind : {LUMIVO_IMAGE, LUMIVO_MOVIE, LUMIVO_ANALOG})
        EXPECT_TRUE(kinds.count(kind)) << qvr::LumivoTypeName(kind);
    EXPECT_TRUE(korean);
    EXPECT_TRUE(chinese);
}
