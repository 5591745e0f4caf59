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

} // namespace qvr
