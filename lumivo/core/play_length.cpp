// SPDX-License-Identifier: GPL-2.0-or-later
#include "play_length.h"

#include "player.h"

namespace lumivo {

uint64_t AdPlayLengthMs(CContent& content, unsigned columns, unsigned rows, const std::vector<CLumivo>& items,
                        const SYSTEMTIME& start, uint64_t limitMs)
{
    VirtualClock clock(start);
    CPlayer player;
    player.SetClock(clock.Function());
    player.SetContent(&content);
    player.SetModuleSize(columns, rows);
    if (!player.Play(items))
        return 0;
    // Per entry: whether it still has to end, and the phase it was last seen in.
    struct Watch {
        bool pending;
        uint32_t phase;
    };
    std::vector<Watch> watch;
    size_t pending = 0;
    for (size_t i = 0; i < player.EntryCount(); ++i) {
        const PageInfo& e = player.Entry(i);
        const bool effects = e.kind != LUMIVO_IMAGE && e.kind != LUMIVO_MOVIE && e.kind != LUMIVO_ANIMATION &&
                             e.kind != LUMIVO_ANALOG && e.kind != LUMIVO_NONE && !e.item.effectLoop;
        watch.push_back({effects, e.phase});
        pending += effects;
    }
    if (pending == 0)
        return 0;
    // An end effect is over when its item is back at its start phase.
    uint64_t length = limitMs;
    PlayVirtual(player, clock, limitMs, kTickMs, {}, [&] {
        for (size_t i = 0; i < watch.size(); ++i) {
            const uint32_t phase = player.Entry(i).phase;
            if (watch[i].pending && watch[i].phase == 2 && phase == 0) {
                watch[i].pending = false;
                --pending;
            }
            watch[i].phase = phase;
        }
        if (pending == 0)
            length = clock.ElapsedMs();
        return pending == 0;
    });
    return length;
}

} // namespace lumivo
