// SPDX-License-Identifier: GPL-2.0-or-later
// The effect dialog's rules, free of windows: what it shows for an item's
// effect, the effect it returns for a choice, and how that result changes
// the item. Phases: 0 start, 1 wait, 2 end.
#pragma once

#include <qvr/records.h>

namespace lumivo {

// Delays the dialog applies: delay d gives the speed byte 3 x (d - 1) + 7.
inline constexpr int kMinEffectDelay = 1;
inline constexpr int kMaxEffectDelay = 30;

// What the dialog holds.
struct EffectChoice {
    int phase = 0;
    unsigned row = 0;   // row of the phase's effect table; 0 is Auto
    unsigned index = 0; // 0-based position within the row
    int delay = 15;
    int repeat = 5;     // copies of the text of a Twist start
    bool loop = false;  // the item flows on: its start effect runs again and again
};

// What the dialog returns.
struct EffectResult {
    CEFF effect;
    bool loop = false;
    int repeat = 5;
};

// Rows of a phase's table (9 start, 8 wait, 9 end), the family of a row
// (the name's id for EffectFamilyName) and the effects in a row (1 for Auto).
unsigned EffectRowCount(int phase);
unsigned EffectRowFamily(int phase, unsigned row);
unsigned EffectIndexCount(int phase, unsigned row);

// Whether a click on the item's effect cell of this phase opens the dialog:
// only for Text, Eng2Line, Date, Time and Temperature items, and not for the
// wait or end cell of an item that loops.
bool OpensEffectDialog(const CLumivo& item, int phase);

// The dialog's starting values for the item's current effect of the phase.
EffectChoice ChoiceFromItem(const CLumivo& item, int phase);

// The effect for a choice: the table's code (bit 15 set for Auto), the speed
// byte from the delay (0, which is never applied, for a delay outside 1 to
// 30); a Twist start (codes 95 to 99) ticks the loop box.
EffectResult DialogResult(const EffectChoice& choice);

// The item after OK: the loop flag from the result; a Twist start stores the
// repeat count in option; the effect replaces the phase's one only with a
// speed byte of 7 to 95; a looping item then waits and ends with None
// (92, 97) and starts with 59 unless it starts with a Twist.
CLumivo ApplyEffectResult(CLumivo item, int phase, const EffectResult& result);

} // namespace lumivo
