// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/effect_choice.h"

#include "core/item_text.h"

#include <qvr/effect.h>

#include <algorithm>

namespace lumivo {

namespace {

constexpr unsigned kTwistFirst = 95;
constexpr unsigned kTwistLast = 99;
constexpr uint16_t kLoopStart = 59;
constexpr uint16_t kNoneWait = 92;
constexpr uint16_t kNoneEnd = 97;
constexpr int kDefaultDelay = 15;

const EFFECT_DESC* RowsOf(int phase)
{
    return phase == 1 ? aEffectW : phase == 2 ? aEffectE : aEffectS;
}

bool IsTwistStart(unsigned code) { return code >= kTwistFirst && code <= kTwistLast; }

CEFF& EffectOf(CLumivo& item, int phase)
{
    return phase == 1 ? item.effectW : phase == 2 ? item.effectE : item.effectS;
}

} // namespace

unsigned EffectRowCount(int phase) { return phase == 1 ? 8 : 9; }

unsigned EffectRowFamily(int phase, unsigned row)
{
    return row < EffectRowCount(phase) ? RowsOf(phase)[row].type : 0;
}

unsigned EffectIndexCount(int phase, unsigned row)
{
    if (row == 0 || row >= EffectRowCount(phase))
        return 1;
    const unsigned first = CEffect::GetType2Effect(phase, int(row), 0);
    const unsigned last = RowsOf(phase)[row].last;
    return last >= first ? last - first + 1 : 1;
}

bool OpensEffectDialog(const CLumivo& item, int phase)
{
    if (!ShowsEffectText(item.type) || phase < 0 || phase > 2)
        return false;
    return phase == 0 || !item.effectLoop;
}

EffectChoice ChoiceFromItem(const CLumivo& item, int phase)
{
    EffectChoice c;
    c.phase = std::clamp(phase, 0, 2);
    const CEFF& e = c.phase == 1 ? item.effectW : c.phase == 2 ? item.effectE : item.effectS;
    c.row = unsigned(CEffect::GetEffect2Type(c.phase, e.code));
    c.index = std::min(unsigned(std::max(CEffect::GetEffect2Index(c.phase, e.code), 0)),
                       EffectIndexCount(c.phase, c.row) - 1);
    const int speed = e.GetSpeed();
    c.delay = speed >= 7 && speed <= 95 ? (speed - 7) / 3 + 1 : kDefaultDelay;
    c.repeat = std::max<int>(item.option, 1);
    c.loop = item.effectLoop != 0;
    return c;
}

EffectResult DialogResult(const EffectChoice& c)
{
    EffectResult r;
    const unsigned index = std::min(c.index, EffectIndexCount(c.phase, c.row) - 1);
    unsigned code = CEffect::GetType2Effect(c.phase, int(c.row), int(index));
    if (c.row == 0)
        code |= CEFF::kAuto;
    const bool applies = c.delay >= kMinEffectDelay && c.delay <= kMaxEffectDelay;
    r.effect = CEFF(uint16_t(code), uint16_t(applies ? 3 * (c.delay - 1) + 7 : 0));
    r.loop = c.loop || (c.phase == 0 && IsTwistStart(code));
    r.repeat = c.repeat;
    return r;
}

CLumivo ApplyEffectResult(CLumivo item, int phase, const EffectResult& r)
{
    item.effectLoop = r.loop ? 1 : 0;
    // The repeat count is a Twist start's own: the wait and end tables'
    // codes 95 and 96 are ribbons that do not read it, and option is also
    // the start effect's hold time.
    if (phase == 0 && IsTwistStart(r.effect.code))
        item.option = uint8_t(std::clamp(r.repeat, 0, 255));
    const int speed = r.effect.GetSpeed();
    if (speed >= 7 && speed <= 95)
        EffectOf(item, phase) = r.effect;
    if (item.effectLoop) {
        item.effectW.code = kNoneWait;
        item.effectE.code = kNoneEnd;
        if (!IsTwistStart(item.effectS.code))
            item.effectS.code = kLoopStart;
    }
    return item;
}

} // namespace lumivo
