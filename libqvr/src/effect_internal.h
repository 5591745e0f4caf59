// SPDX-License-Identifier: BSD-2-Clause
// Shared by the engine's source files; not part of the library's interface.
#pragma once

#include <cstdint>

namespace qvr {

// One draw from the engine's random source (std::rand unless replaced).
int EffectRand();

// First codes of the eight families of a phase, in step-operation order.
const uint32_t* FamilyFirstCodes(int phase);

// The phase's effect code, low 15 bits.
inline unsigned Code15(uint16_t code) { return code & 0x7FFFu; }

// The line buffer outside this area is all 0: rows [top, bottom), columns
// [left, right). The engine's writers widen it, so clearing the buffer for
// the next drawing touches only what earlier drawings lit.
struct LBArea {
    long top = 0, bottom = 0, left = 0, right = 0;
};
// Widens the area by rows [top, bottom) and columns [left, right) (inside
// the buffer; an empty span changes nothing).
void MarkLB(long top, long bottom, long left, long right);
// The area as it stands.
const LBArea& LitLB();
// Clears the area (or the whole buffer) and leaves the area empty.
void ClearLB();
void ClearWholeLB();
// Drops every kept text drawing (the line buffer or the library changed
// under them).
void ForgetDrawnText();

} // namespace qvr
