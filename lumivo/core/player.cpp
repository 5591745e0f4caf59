// SPDX-License-Identifier: GPL-2.0-or-later
// The play loop: play list, 5 ms tick, play-all and single-effect renders.
// Analog clocks are drawn in player_clock.cpp.
#include "core/player.h"

#include "core/clock.h"

#include <common/datetime.h>
#include <common/named_mutex.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <mutex>

namespace lumivo {

namespace {

constexpr uint32_t kHoldBase = 32768;

bool IsPicture(uint32_t kind)
{
    return kind == LUMIVO_IMAGE || kind == LUMIVO_MOVIE || kind == LUMIVO_ANIMATION;
}

// Kinds the engine draws through the phases (everything but pictures and clocks).
bool IsEffectItem(uint32_t kind)
{
    return !IsPicture(kind) && kind != LUMIVO_ANALOG;
}

// Kinds whose step delay advances their animation on its own.
bool StepsOnTick(uint32_t kind)
{
    return kind == LUMIVO_TEXT || kind == LUMIVO_ENG2LINE || kind == LUMIVO_DATE ||
           kind == LUMIVO_TIME || kind == LUMIVO_TEMPERATURE;
}

// What asks for a repaint when its delay runs out: the step delay of items
// that animate on their own and of clocks, the scroll delay of scrolling
// pictures, the frame delay of pictures with frames.
bool AsksOnStep(uint32_t kind)
{
    return StepsOnTick(kind) || kind == LUMIVO_ANALOG;
}
bool AsksOnScroll(uint32_t kind)
{
    return kind == LUMIVO_IMAGE || kind == LUMIVO_ANIMATION;
}
bool AsksOnFrame(uint32_t kind)
{
    return kind == LUMIVO_MOVIE || kind == LUMIVO_ANIMATION;
}

bool IsAsciiLetter(uint16_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

uint32_t StepDelayOf(const CEFF& eff)
{
    return (eff.GetSpeed() >> 3) + 1u;
}
uint32_t ScrollDelayOf(const CEFF& eff)
{
    return (eff.GetSpeed() >> 4) + 1u;
}
uint32_t FrameDelayOf(const CEFF& eff)
{
    return (eff.GetSpeed() >> 4) + 20u;
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

} // namespace

// ---- Time

VirtualClock::VirtualClock() : m_state(std::make_shared<State>())
{
    *this = VirtualClock(SystemClock().LocalNow());
}

VirtualClock::VirtualClock(const SYSTEMTIME& start) : m_state(std::make_shared<State>())
{
    m_state->startSeconds = DaysFromCivil(start.wYear, start.wMonth, start.wDay) * 86400 +
                            start.wHour * 3600 + start.wMinute * 60 + start.wSecond;
    m_state->startMs = start.wMilliseconds % 1000u;
}

void VirtualClock::Advance(unsigned milliseconds)
{
    m_state->elapsedMs += milliseconds;
}

bool VirtualClock::Now(SYSTEMTIME& out) const
{
    const uint64_t ms = m_state->startMs + m_state->elapsedMs;
    const time_t t = static_cast<time_t>(m_state->startSeconds + static_cast<int64_t>(ms / 1000));
    std::tm tm{};
    if (!gmtime_r(&t, &tm))
        return false;
    out = common::SystemTimeFromTm(tm, static_cast<long>(ms % 1000) * 1000000);
    return true;
}

PlayerClock VirtualClock::Function() const
{
    VirtualClock copy = *this;
    return [copy](SYSTEMTIME& out) { return copy.Now(out); };
}

// ---- The player

CPlayer::CPlayer()
    : m_hMutex(std::make_shared<common::NamedMutex>(kViewerMutexName)),
      m_Engine(std::make_unique<CEffect>())
{
}

CPlayer::~CPlayer()
{
    m_bPlaying = false;
    std::lock_guard<common::NamedMutex> lock(*m_hMutex);
    m_List.clear();
}

void CPlayer::SetContent(CContent* content)
{
    m_bPlaying = false;
    std::lock_guard<common::NamedMutex> lock(*m_hMutex);
    m_pContent = content;
    m_Engine->SetContent(content);
}

void CPlayer::SetModuleSize(unsigned columns, unsigned rows)
{
    std::lock_guard<common::NamedMutex> lock(*m_hMutex);
    m_Columns = columns;
    m_Rows = rows;
    m_Engine->SetModuleSize(columns, rows);
    const int w = static_cast<int>(columns * 16), h = static_cast<int>(rows * 16);
    if (w != m_Width || h != m_Height) {
        m_Width = w;
        m_Height = h;
        m_Board.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
    }
}

void CPlayer::SetSingleEffect(bool on, int phase)
{
    std::lock_guard<common::NamedMutex> lock(*m_hMutex);
    m_bSingle = on;
    m_ShownPhase = std::clamp(phase, 0, 2);
}

void CPlayer::SetClock(PlayerClock clock)
{
    std::lock_guard<common::NamedMutex> lock(*m_hMutex);
    m_Clock = std::move(clock);
}

bool CPlayer::ReadClock(SYSTEMTIME& t) const
{
    if (m_Clock)
        return m_Clock(t);
    t = SystemClock().LocalNow();
    return true;
}

bool CPlayer::Play(const std::vector<CLumivo>& items)
{
    if (!m_pContent)
        return false;
    m_bPlaying = false;
    {
        std::lock_guard<common::NamedMutex> lock(*m_hMutex);
        m_List.clear();
        int runningY = 0;
        for (const CLumivo& item : items) {
            auto e = std::make_unique<PageInfo>();
            BuildEntry(*e, item, runningY);
            m_List.push_back(std::move(e));
        }
        // The effect dialog shows one phase: its first run starts from that
        // phase's own preparation, as every later run does.
        if (m_bSingle && !m_List.empty() && m_ShownPhase != 0) {
            m_Engine->SetPageInfo(m_List.front().get());
            m_List.front()->phase = m_ShownPhase == 1 ? m_Engine->_init_effw(0) : m_Engine->_init_effe(0);
        }
    }
    m_bRepaint = false;
    m_bPlaying = true;
    return true;
}

void CPlayer::Stop()
{
    m_bPlaying = false;
}

void CPlayer::BuildEntry(PageInfo& e, const CLumivo& item, int& runningY)
{
    e.kind = item.type;
    e.item = item;
    e.x = 0;
    e.y = runningY;
    e.width = m_Width;
    e.height = static_cast<int32_t>(item.height) * 8;
    runningY += e.height;

    std::memset(e.bits, 0, PageInfo::kFrameBytes);
    if (IsPicture(e.kind)) {
        const LUMIVO_TYPE kind = static_cast<LUMIVO_TYPE>(e.kind);
        const int index = item.chars[0].code;
        e.contentHeader = m_pContent->GetContentHeader(kind, index);
        e.bitmap = BITMAP{};
        m_pContent->GetContentInfo(kind, index, &e.bitmap);
        e.frameBytes = static_cast<uint32_t>(e.bitmap.bmHeight * e.bitmap.bmWidthBytes);
        // Rows past the frame storage are left out rather than written past it.
        m_pContent->GetContentData(kind, index, e.bits, PageInfo::kFrameBytes);
    } else {
        qvr::DescribeDib32(e.bitmap, m_Width, e.height);
        e.frameBytes = static_cast<uint32_t>(e.bitmap.bmHeight * e.bitmap.bmWidthBytes);
        e.phase = 0;
    }
    e.effectS = item.effectS;
    e.effectW = item.effectW;
    e.effectE = item.effectE;
    e.holdTime = item.option;
    if (IsEffectItem(e.kind) && item.effectLoop && item.effectS.code == 59) {
        e.effectW.code = 92;
        e.effectE.code = 97;
    }
    if (e.kind == LUMIVO_DATE || e.kind == LUMIVO_TIME) {
        for (CLumiChar& c : e.item.chars) {
            if (c.code == 0)
                break;
            c.attr.widthIndex = (c.code <= 255 && IsAsciiLetter(c.code)) ? 2 : 1;
        }
    }
    m_Engine->SetPageInfo(&e);
    m_Engine->SetEffectS(e.effectS);
    m_Engine->SetEffectW(e.effectW);
    m_Engine->SetEffectE(e.effectE);
    e.phase = m_Engine->_init_effs(0);
}

bool CPlayer::Tick()
{
    return Advance(1);
}

bool CPlayer::Advance(unsigned ticks, unsigned* nextDue)
{
    bool repaint = false;
    {
        std::lock_guard<common::NamedMutex> lock(*m_hMutex);
        for (unsigned i = 0; i < ticks; ++i)
            repaint |= TickLocked();
        if (nextDue)
            *nextDue = DueLocked();
    }
    if (repaint)
        m_bRepaint = true;
    return repaint;
}

unsigned CPlayer::TicksUntilDue() const
{
    std::lock_guard<common::NamedMutex> lock(*m_hMutex);
    return DueLocked();
}

unsigned CPlayer::DueLocked() const
{
    // A delay of d asks at its d-th tick; one already at 0 asks at the next.
    auto due = [](uint32_t delay) { return std::max<uint32_t>(delay, 1u); };
    if (!m_bPlaying)
        return kNeverDue;
    unsigned next = kNeverDue;
    for (const auto& entry : m_List) {
        const PageInfo& e = *entry;
        if (AsksOnStep(e.kind))
            next = std::min(next, due(e.stepDelay));
        if (AsksOnScroll(e.kind))
            next = std::min(next, due(e.scrollDelay));
        if (AsksOnFrame(e.kind))
            next = std::min(next, due(e.frameDelay));
    }
    return next;
}

bool CPlayer::TickLocked()
{
    bool repaint = false;
    for (const auto& entry : m_List) {
        PageInfo& e = *entry;
        if (e.holdCountdown > kHoldBase && ++e.subSecond >= kHoldTicksPerSecond) {
            --e.holdCountdown;
            e.subSecond = 0;
        }
        if (e.stepDelay > 0)
            --e.stepDelay;
        if (e.stepDelay == 0 && AsksOnStep(e.kind)) {
            if (StepsOnTick(e.kind)) {
                ++e.stepCounter;
                ++e.animCounter;
            }
            repaint = true;
        }
        if (e.scrollDelay > 0)
            --e.scrollDelay;
        if (e.scrollDelay == 0 && AsksOnScroll(e.kind)) {
            // A picture no taller than its band has nowhere to scroll;
            // moving it would walk the position out of the picture.
            if (e.contentHeader.height > e.height) {
                if (e.scrollPos < 1)
                    e.scrollDir = 1;
                if (e.scrollPos + e.height >= e.contentHeader.height)
                    e.scrollDir = -1;
                e.scrollPos += e.scrollDir;
            }
            repaint = true;
        }
        if (e.frameDelay > 0)
            --e.frameDelay;
        if (e.frameDelay == 0 && AsksOnFrame(e.kind)) {
            ++e.animCounter;
            repaint = true;
        }
    }
    return repaint;
}

bool CPlayer::Render()
{
    std::lock_guard<common::NamedMutex> lock(*m_hMutex);
    if (!m_bPlaying || m_List.empty() || m_Board.empty())
        return false;
    // The engine's lock once for the whole frame: its own calls inside only
    // count it up instead of taking the cross-process lock each time.
    std::lock_guard<common::NamedMutex> engineLock(*m_Engine->m_hMutex);
    if (m_bSingle) {
        RenderSingle();
        return true;
    }
    std::fill(m_Board.begin(), m_Board.end(), 0u);
    for (const auto& entry : m_List) {
        PageInfo& e = *entry;
        if (IsPicture(e.kind))
            RenderPicture(e);
        else if (e.kind == LUMIVO_ANALOG)
            RenderClock(e);
        else
            RenderEffectItem(e);
    }
    return true;
}

void CPlayer::RenderEffectItem(PageInfo& e)
{
    CEffect& fx = *m_Engine;
    fx.SetPageInfo(&e);
    switch (e.phase) {
    case 0:
        if (fx.GetEffectS() == CEffect::kEffectEnd) {
            if ((e.effectS.code & 0x7FFF) < 101)
                fx.effect_T(e.holdTime);
            if (fx.check_T())
                e.phase = e.item.effectLoop ? fx._init_effs(0) : fx._init_effw(0);
        }
        if (e.stepDelay == 0)
            e.stepDelay = StepDelayOf(e.effectS);
        break;
    case 1:
        if (e.fits == 0) {
            if (e.waitStage == 0) {
                if (fx.GetEffectW() == CEffect::kEffectEnd)
                    e.phase = fx._init_effw(1);
            } else if (e.waitStage == 1) {
                DWORD r;
                {
                    // Called directly, so it takes the engine's lock itself.
                    std::lock_guard<common::NamedMutex> engineLock(*fx.m_hMutex);
                    r = fx.effect_0400W();
                }
                if (r == CEffect::kEffectEnd)
                    e.phase = fx._init_effw(2);
            } else if (e.waitStage == 2) {
                if (fx.GetEffectW() == CEffect::kEffectEnd)
                    e.phase = fx._init_effe(0);
            }
        } else if (fx.GetEffectW() == CEffect::kEffectEnd) {
            e.phase = fx._init_effe(0);
        }
        if (e.stepDelay == 0)
            e.stepDelay = StepDelayOf(e.effectW);
        break;
    case 2:
        if (fx.GetEffectE() == CEffect::kEffectEnd) {
            e.phase = fx._init_effs(0);
            fx.SetEffectS(e.effectS);
            fx.SetEffectW(e.effectW);
            fx.SetEffectE(e.effectE);
        }
        if (e.stepDelay == 0)
            e.stepDelay = StepDelayOf(e.effectE);
        break;
    default:
        break;
    }
    CopyFrame(e, 0, 0, e.bitmap.bmWidth, e.height, e.x, e.y);
}

void CPlayer::RenderPicture(PageInfo& e)
{
    const RGX_HEADER& h = e.contentHeader;
    const int frameWidth = e.bitmap.bmWidth;
    const int dx = e.x + (m_Width - frameWidth) / 2;
    int sy = 0;
    int rows = e.height;
    if (e.kind == LUMIVO_IMAGE) {
        sy = e.scrollPos;
        if (e.scrollDelay == 0)
            e.scrollDelay = ScrollDelayOf(e.effectS);
    } else {
        if (e.frameDelay == 0)
            e.frameDelay = FrameDelayOf(e.effectS);
        if (e.kind == LUMIVO_ANIMATION && e.scrollDelay == 0)
            e.scrollDelay = ScrollDelayOf(e.effectS);
        // A picture without frames has nothing to show: its band stays dark.
        if (h.frames == 0 || h.height == 0)
            return;
        const int offset = e.kind == LUMIVO_ANIMATION ? e.scrollPos : 0;
        // In 64 bits: frame number x frame height can pass the int range.
        const int64_t top = static_cast<int64_t>(e.animCounter % h.frames) * h.height + offset;
        if (top >= e.bitmap.bmHeight)
            return; // a frame the stored picture does not hold
        sy = static_cast<int>(top);
        // Only the current frame: a band taller than a frame does not show
        // the top of the next one.
        rows = std::min(rows, static_cast<int>(h.height) - offset);
    }
    CopyFrame(e, 0, sy, frameWidth, rows, dx, e.y);
}

void CPlayer::RenderSingle()
{
    PageInfo& e = *m_List.front();
    CEffect& fx = *m_Engine;
    fx.SetPageInfo(&e);
    const CEFF* shown = &e.effectS;
    switch (m_ShownPhase) {
    case 0:
        if (fx.GetEffectS() == CEffect::kEffectEnd) {
            fx._init_effs(0);
            fx.SetEffectS(e.effectS);
        }
        break;
    case 1:
        shown = &e.effectW;
        if (fx.GetEffectW() == CEffect::kEffectEnd) {
            fx._init_effw(0);
            fx.SetEffectW(e.effectW);
        }
        break;
    default:
        shown = &e.effectE;
        if (fx.GetEffectE() == CEffect::kEffectEnd) {
            fx._init_effe(0);
            fx.SetEffectE(e.effectE);
        }
        break;
    }
    e.stepDelay = StepDelayOf(*shown);
    CopyFrame(e, 0, 0, e.bitmap.bmWidth, e.height, e.x, e.y);
}

void CPlayer::CopyFrame(const PageInfo& e, int sx, int sy, int w, int h, int dx, int dy)
{
    const BITMAP& bm = e.bitmap;
    if (bm.bmBitsPixel != 32 || bm.bmWidthBytes < 4 || w <= 0 || h <= 0)
        return;
    const int stride = bm.bmWidthBytes;
    const int storedRows =
        std::min<long>(bm.bmHeight, static_cast<long>(PageInfo::kFrameBytes / static_cast<size_t>(stride)));
    const int srcWidth = std::min<int>(bm.bmWidth, stride / 4);
    // Columns that lie inside both the frame and the board.
    const int c0 = std::max({0, -sx, -dx});
    const int c1 = std::min({w, srcWidth - sx, m_Width - dx});
    if (c1 <= c0)
        return;
    for (int r = 0; r < h; ++r) {
        const int srow = sy + r, drow = dy + r;
        if (srow < 0 || srow >= storedRows || drow < 0 || drow >= m_Height)
            continue;
        const uint8_t* src = e.bits + static_cast<size_t>(srow) * stride + static_cast<size_t>(sx + c0) * 4;
        uint32_t* dst = m_Board.data() + static_cast<size_t>(drow) * m_Width + (dx + c0);
        std::memcpy(dst, src, static_cast<size_t>(c1 - c0) * 4);
    }
}

unsigned PlayVirtual(CPlayer& player, VirtualClock& clock, uint64_t totalMs, unsigned frameIntervalMs,
                     const std::function<void(uint64_t ms)>& onFrame, const std::function<bool()>& stop)
{
    const uint64_t interval = std::max(1u, frameIntervalMs);
    unsigned paints = 0;
    bool painted = false; // since the last frame written
    uint64_t nextFrame = 0;
    // The board now stays as it is until the next tick: every frame time
    // before then shows it.
    auto sample = [&](uint64_t now) {
        for (; nextFrame < now + kTickMs && nextFrame < totalMs; nextFrame += interval)
            if (painted) {
                painted = false;
                if (onFrame)
                    onFrame(nextFrame);
            }
    };
    auto paint = [&] {
        if (player.Render()) {
            ++paints;
            painted = true;
        }
    };
    paint();
    sample(0);
    for (uint64_t t = kTickMs; t < totalMs; t += kTickMs) {
        clock.Advance(kTickMs);
        player.Tick();
        if (player.TakeRepaint())
            paint();
        sample(t);
        if (stop && stop())
            break;
    }
    return paints;
}

} // namespace lumivo
