// SPDX-License-Identifier: GPL-2.0-or-later
// Damaged projects played as `lumivo-cli render` plays them: whatever the
// project core accepts (with its items repaired or dropped) plays its first
// pages for a few seconds of virtual time on the program's own containers
// and language file. Nothing may read or write outside its buffers, and a
// page that plays must paint.
#include "core/player.h"
#include "core/project.h"

#include <common/globalization.h>
#include <qvr/effect.h>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr unsigned kPages = 3;         // pages played of each input
constexpr uint64_t kPlayMs = 3000;     // virtual time per page
constexpr unsigned kPaintMs = 20;      // 50 paints a second, as render's default

// Just before midnight at the end of February in a leap year, so dates and
// clocks roll over while the page plays.
SYSTEMTIME StartTime()
{
    SYSTEMTIME t;
    t.wYear = 2024;
    t.wMonth = 2;
    t.wDay = 29;
    t.wHour = 23;
    t.wMinute = 59;
    t.wSecond = 58;
    return t;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // One project and one player for the whole run: the library and the
    // play list's frame storage are tens of megabytes.
    static lumivo::CProjectCore* project = [] {
        CGlobalization::SelectLanguage(u"English");
        return new lumivo::CProjectCore;
    }();
    static lumivo::CPlayer* player = new lumivo::CPlayer;

    if (!project->LoadBytes(data, size))
        return 0;
    const lumivo::BoardValues board = project->Board();
    lumivo::VirtualClock clock(StartTime());
    const qvr::EffectClock previous = qvr::SetEffectClock(clock.Function());
    player->SetClock(clock.Function());
    player->SetContent(&project->Content());
    player->SetModuleSize(board.moduleColumn, board.moduleRow);
    if (player->BoardWidth() != board.moduleColumn * 16 || player->BoardHeight() != board.moduleRow * 16)
        std::abort();
    for (unsigned page = 0; page < std::min(project->PageCount(), kPages); ++page) {
        const std::vector<CLumivo> items = project->PageItems(page);
        if (!player->Play(items))
            continue;
        const unsigned paints = lumivo::PlayVirtual(*player, clock, kPlayMs, kPaintMs, nullptr);
        if (!items.empty() && player->BoardWidth() > 0 && player->BoardHeight() > 0 && paints == 0)
            std::abort(); // a page with items that never paints
        player->Stop();
    }
    qvr::SetEffectClock(previous);
    return 0;
}
