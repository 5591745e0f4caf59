// SPDX-License-Identifier: BSD-2-Clause
// Effect code tables, the mapping between codes and the Ad list's rows, and
// the automatic choice of an effect.
#include "qvr/effect.h"

#include "effect_internal.h"

#include <cstdlib>
#include <mutex>
#include <utility>

const EFFECT_DESC aEffectS[9] = {{0, 0},  {1, 50}, {2, 58}, {3, 68}, {4, 75},
                                 {5, 87}, {6, 94}, {7, 99}, {8, 100}};
const EFFECT_DESC aEffectW[8] = {{0, 0}, {1, 50}, {2, 58}, {4, 66},
                                 {5, 78}, {6, 88}, {7, 91}, {8, 92}};
const EFFECT_DESC aEffectE[10] = {{0, 0},  {1, 50}, {2, 58}, {3, 68}, {4, 75},
                                  {5, 87}, {6, 94}, {7, 96}, {8, 97}, {0, 0}};

namespace {

struct TableView {
    const EFFECT_DESC* rows;
    int count; // rows a code can fall in (the end table's trailing row is not one)
    unsigned end; // codes drawn automatically lie below this (the None code)
    unsigned accepted; // highest code accepted without the automatic mark
    uint16_t phaseBit; // bit of RGX_HEADER::phase for this phase
};

constexpr TableView kTables[3] = {
    {aEffectS, 9, 100, 104, 1},
    {aEffectW, 8, 92, 96, 2},
    {aEffectE, 9, 97, 101, 4},
};

const TableView& Table(int table)
{
    return kTables[(table >= 0 && table <= 2) ? table : 0];
}

constexpr unsigned kWaveFamily = 4;
constexpr unsigned kWaveWaitFirst = 60;

// First and last codes of each family, in the order of the step operations
// (Animation, View, Scroll, Wave, Zoom, Color, Twist, None), per phase. The
// wait phase's Scroll family is the scrolling wait alone.
constexpr uint32_t kFirst[3][8] = {
    {1, 51, 59, 69, 76, 88, 95, 100},
    {1, 51, 59, 60, 67, 79, 89, 92},
    {1, 51, 59, 69, 76, 88, 95, 97},
};
constexpr uint32_t kLast[3][8] = {
    {50, 58, 68, 75, 87, 94, 99, 100},
    {50, 58, 59, 66, 78, 88, 91, 92},
    {50, 58, 68, 75, 87, 94, 96, 97},
};

std::mutex g_sourceLock;
qvr::EffectRandom g_random;

} // namespace

namespace qvr {

EffectRandom SetEffectRandom(EffectRandom source)
{
    std::lock_guard<std::mutex> lock(g_sourceLock);
    return std::exchange(g_random, std::move(source));
}

int EffectRand()
{
    {
        std::lock_guard<std::mutex> lock(g_sourceLock);
        if (g_random)
            return g_random();
    }
    return std::rand();
}

uint32_t EffectFamilyOf(int phase, unsigned code)
{
    if (phase < 0 || phase > 2)
        return 0;
    const unsigned c = code & 0x7FFF;
    for (int f = 0; f < 8; ++f)
        if (c >= kFirst[phase][f] && c <= kLast[phase][f])
            return kFirst[phase][f];
    return 0;
}

const uint32_t* FamilyFirstCodes(int phase) { return kFirst[phase]; }

} // namespace qvr

DWORD CEffect::GetRGX2RGB(unsigned char c)
{
    return ((c & 1) ? 0xFF0000u : 0) | ((c & 2) ? 0x00FF00u : 0) | ((c & 4) ? 0x0000FFu : 0);
}

COLORREF CEffect::GetRGX2Color(unsigned char c)
{
    return ((c & 1) ? 0x0000FFu : 0) | ((c & 2) ? 0x00FF00u : 0) | ((c & 4) ? 0xFF0000u : 0);
}

unsigned CEffect::GetEffectAuto(int)
{
    // Animation or View codes 1..57, the same for every phase.
    int r;
    do
        r = qvr::EffectRand() % 58;
    while (r == 0);
    return static_cast<unsigned>(r) | CEFF::kAuto;
}

int CEffect::GetEffect2Type(int table, unsigned code)
{
    if (code & CEFF::kAuto)
        return 0;
    const TableView& t = Table(table);
    const unsigned c = code & 0x7FFF;
    for (int row = 0; row < t.count; ++row)
        if (t.rows[row].last >= c)
            return row;
    // The fixed codes of picture and clock items lie above every row: they
    // show as the last row (None) rather than as a row that does not exist.
    return t.count - 1;
}

int CEffect::GetEffect2Index(int table, unsigned code)
{
    const int row = GetEffect2Type(table, code);
    if (row == 0)
        return 0;
    const TableView& t = Table(table);
    const int c = static_cast<int>(code & 0x7FFF);
    if (table == 1 && t.rows[row].type == kWaveFamily)
        return c - static_cast<int>(kWaveWaitFirst);
    return c - static_cast<int>(t.rows[row - 1].last) - 1;
}

unsigned CEffect::GetType2Effect(int table, int row, int index)
{
    const TableView& t = Table(table);
    if (row < 0 || row >= t.count)
        return 0;
    const bool wave = table == 1 && t.rows[row].type == kWaveFamily;
    // Row 0 (Auto) has no row before it: its codes count from 1.
    const unsigned first = wave ? kWaveWaitFirst : (row > 0 ? t.rows[row - 1].last + 1 : 1);
    if (index >= 0 && static_cast<unsigned>(index) < t.end)
        return first + static_cast<unsigned>(index);
    return first;
}

void CEffect::ChooseEffect(int phase, CEFF& eff, CEFF* stored, uint32_t* family)
{
    const TableView& t = kTables[phase];
    if (eff.code < 1 || eff.code > t.accepted)
        eff.code |= CEFF::kAuto;
    if (eff.code & CEFF::kAuto) {
        unsigned r;
        for (;;) {
            r = static_cast<unsigned>(qvr::EffectRand()) % t.end;
            if (r == 0 || r == 8 || r == 44 || r == 45)
                continue;
            if (r >= 51)
                break;
            const RGX_HEADER* h = m_pContent ? m_pContent->GetEffectInfo(r - 1) : nullptr;
            if (h && (h->phase & t.phaseBit))
                break;
        }
        eff.code = static_cast<uint16_t>(r | CEFF::kAuto);
    }
    if (!stored)
        return; // no page: the choice is only resolved
    *stored = eff;
    if (const uint32_t f = qvr::EffectFamilyOf(phase, eff.code))
        *family = f;
}

void CEffect::SetEffectS(CEFF& eff)
{
    ChooseEffect(0, eff, m_pPage ? &m_pPage->effectS : nullptr,
                 m_pPage ? &m_pPage->familyS : nullptr);
}

void CEffect::SetEffectW(CEFF& eff)
{
    ChooseEffect(1, eff, m_pPage ? &m_pPage->effectW : nullptr,
                 m_pPage ? &m_pPage->familyW : nullptr);
}

void CEffect::SetEffectE(CEFF& eff)
{
    ChooseEffect(2, eff, m_pPage ? &m_pPage->effectE : nullptr,
                 m_pPage ? &m_pPage->familyE : nullptr);
}
