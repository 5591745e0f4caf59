// SPDX-License-Identifier: BSD-2-Clause
// The engine's set-up, phase preparation, the step dispatch under the engine
// lock, and the line-buffer and frame-buffer basics.
#include "qvr/effect.h"

#include "effect_family_util.h"

#include <common/named_mutex.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>

unsigned char CEffect::m_LB[CEffect::kLBRows][CEffect::kLBCols];

namespace {

// What the line buffer may hold lit; the whole of it until the first clear.
qvr::LBArea g_LBLit{0, CEffect::kLBRows, 0, CEffect::kLBCols};

} // namespace

void qvr::MarkLB(long top, long bottom, long left, long right)
{
    top = std::max<long>(top, 0);
    bottom = std::min<long>(bottom, CEffect::kLBRows);
    left = std::max<long>(left, 0);
    right = std::min<long>(right, CEffect::kLBCols);
    if (top >= bottom || left >= right)
        return;
    LBArea& a = g_LBLit;
    if (a.top >= a.bottom || a.left >= a.right) {
        a = LBArea{top, bottom, left, right};
        return;
    }
    a.top = std::min(a.top, top);
    a.bottom = std::max(a.bottom, bottom);
    a.left = std::min(a.left, left);
    a.right = std::max(a.right, right);
}

const qvr::LBArea& qvr::LitLB() { return g_LBLit; }

void qvr::ClearLB()
{
    const LBArea& a = g_LBLit;
    if (a.left < a.right)
        for (long y = a.top; y < a.bottom; ++y)
            std::memset(&CEffect::m_LB[y][a.left], 0, static_cast<size_t>(a.right - a.left));
    g_LBLit = LBArea{};
}

void qvr::ClearWholeLB()
{
    std::memset(CEffect::m_LB, 0, sizeof CEffect::m_LB);
    g_LBLit = LBArea{};
    ForgetDrawnText();
}

namespace {

constexpr uint32_t kHoldBase = 32768;

unsigned TickCount()
{
    using namespace std::chrono;
    return static_cast<unsigned>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

CEffect::CEffect()
    : m_hMutex(std::make_shared<common::NamedMutex>("EffectMutex"))
{
    std::srand(TickCount());
    std::memset(m_CylinderS, 0, sizeof m_CylinderS);
    std::memset(m_CylinderT, 0, sizeof m_CylinderT);
    std::memset(m_CircleS, 0, sizeof m_CircleS);
    std::memset(m_CircleT, 0, sizeof m_CircleT);
    std::memset(m_DrumColumn, 0, sizeof m_DrumColumn);
    std::memset(m_DrumTopS, 0, sizeof m_DrumTopS);
    std::memset(m_DrumTopT, 0, sizeof m_DrumTopT);
    std::memset(m_DrumHeightS, 0, sizeof m_DrumHeightS);
    std::memset(m_DrumHeightT, 0, sizeof m_DrumHeightT);
}

CEffect::~CEffect()
{
    // Wait for a step that another thread may be running on our page.
    if (m_hMutex) {
        m_hMutex->lock();
        m_hMutex->unlock();
    }
}

void CEffect::SetContent(CContent* content)
{
    std::lock_guard<common::NamedMutex> lock(*m_hMutex);
    m_pContent = content;
    qvr::ForgetDrawnText();
}

void CEffect::SetModuleSize(unsigned columns, unsigned rows)
{
    m_ModuleX = static_cast<int32_t>(columns);
    m_ModuleY = static_cast<int32_t>(rows);
    m_Width = m_ModuleX * 16;
    m_Height = m_ModuleY * 16;
    qvr::ClearWholeLB();
    _make_Cylinder_Table();
    _make_Circle_Table();
    _make_3DRotate_Table();
}

void CEffect::SetModuleSize(SIZE modules)
{
    SetModuleSize(static_cast<unsigned>(modules.cx), static_cast<unsigned>(modules.cy));
}

void CEffect::SetPageInfo(PageInfo* page)
{
    std::lock_guard<common::NamedMutex> lock(*m_hMutex);
    m_pPage = page;
    analyze_pHangMok(0);
}

long CEffect::SetAlign(long fits)
{
    if (m_pPage)
        m_pPage->fits = static_cast<uint32_t>(fits);
    return fits;
}

// ---- Steps

DWORD CEffect::Step(DWORD (CEffect::*const* steps)(), const uint32_t* firsts, uint32_t family)
{
    std::lock_guard<common::NamedMutex> lock(*m_hMutex);
    if (!m_pPage)
        return 0;
    for (int f = 0; f < 8; ++f)
        if (firsts[f] == family)
            return (this->*steps[f])();
    return 0; // no family selected: nothing is drawn
}

DWORD CEffect::GetEffectS()
{
    static DWORD (CEffect::*const steps[8])() = {
        &CEffect::effect_0200S, &CEffect::effect_0300S, &CEffect::effect_0400S,
        &CEffect::effect_0500S, &CEffect::effect_0600S, &CEffect::effect_0700S,
        &CEffect::effect_0800S, &CEffect::effect_0900S};
    return Step(steps, qvr::FamilyFirstCodes(0), m_pPage ? m_pPage->familyS : 0);
}

DWORD CEffect::GetEffectW()
{
    static DWORD (CEffect::*const steps[8])() = {
        &CEffect::effect_0200W, &CEffect::effect_0300W, &CEffect::effect_0400W,
        &CEffect::effect_0500W, &CEffect::effect_0600W, &CEffect::effect_0700W,
        &CEffect::effect_0800W, &CEffect::effect_0900W};
    return Step(steps, qvr::FamilyFirstCodes(1), m_pPage ? m_pPage->familyW : 0);
}

DWORD CEffect::GetEffectE()
{
    static DWORD (CEffect::*const steps[8])() = {
        &CEffect::effect_0200E, &CEffect::effect_0300E, &CEffect::effect_0400E,
        &CEffect::effect_0500E, &CEffect::effect_0600E, &CEffect::effect_0700E,
        &CEffect::effect_0800E, &CEffect::effect_0900E};
    return Step(steps, qvr::FamilyFirstCodes(2), m_pPage ? m_pPage->familyE : 0);
}

// ---- Phase preparation

int CEffect::_init_effs(unsigned char stage)
{
    if (PageInfo* p = m_pPage) {
        p->frameCount = 0;
        p->holdCountdown = 0;
        p->phase = 0;
        p->waitStage = stage;
        p->direction = 1;
        p->xOffset = 0;
        p->pair2[0] = 1;
        p->pair2[1] = 0;
        p->divisor = 1;
        p->reserved2 = 0;
        p->limit = 0;
    }
    return 0;
}

int CEffect::_init_effw(unsigned char stage)
{
    if (PageInfo* p = m_pPage) {
        p->frameCount = 0;
        p->holdCountdown = 0;
        p->phase = 1;
        p->waitStage = stage;
        p->direction = 0;
        p->waitValue1 = -1;
        p->waitValue2 = -1;
        // After the scrolling wait the text stands where the scroll left it.
        p->xOffset = (p->fits == 0 && stage == 2) ? p->width - p->textWidth : 0;
    }
    return 1;
}

int CEffect::_init_effe(unsigned char stage)
{
    if (PageInfo* p = m_pPage) {
        p->frameCount = 0;
        p->holdCountdown = 0;
        p->phase = 2;
        p->waitStage = stage;
        p->direction = -1;
        p->xOffset = p->fits == 0 ? p->width - p->textWidth : 0;
    }
    return 2;
}

void CEffect::effect_T(long seconds)
{
    if (m_pPage && m_pPage->holdCountdown == 0) {
        m_pPage->holdCountdown = static_cast<uint32_t>(seconds) + kHoldBase;
        m_pPage->stepCounter = 0;
    }
}

long CEffect::check_T()
{
    return (!m_pPage || m_pPage->holdCountdown < kHoldBase + 1) ? 1 : 0;
}

// ---- Line buffer and frame buffer

DWORD CEffect::_get_pLB(long x, long y)
{
    if (static_cast<unsigned long>(x) >= kLBCols || static_cast<unsigned long>(y) >= kLBRows)
        return 0;
    return GetRGX2RGB(m_LB[y][x]);
}

CEffect::FrameRows CEffect::GetFrameRows(const BITMAP* bm) const
{
    FrameRows f;
    if (!m_pPage || !bm || bm->bmWidth <= 0 || bm->bmHeight <= 0)
        return f;
    f.bits = m_pPage->bits;
    f.stride = std::max<long>(bm->bmWidthBytes, static_cast<long>(bm->bmWidth) * 4);
    f.width = bm->bmWidth;
    f.height = std::min<long>(bm->bmHeight, static_cast<long>(PageInfo::kFrameBytes) / f.stride);
    // A row cut by the end of the storage is left out whole.
    if (f.height == 0)
        f.width = 0;
    return f;
}

long CEffect::copy_LB2FB(long, long, BITMAP* bm)
{
    const FrameRows f = GetFrameRows(bm);
    const long cols = std::min<long>(f.width, kLBCols);
    for (long y = 0; y < f.height; ++y) {
        uint32_t* row = f.Row(y);
        if (y >= kLBRows) { // below the line buffer: nothing to show
            std::fill(row, row + f.width, 0u);
            continue;
        }
        qvr::RgbRow(m_LB[y], row, cols);
        std::fill(row + cols, row + f.width, 0u);
    }
    return 0;
}

void CEffect::ClearBuffer() {}
