// SPDX-License-Identifier: GPL-2.0-or-later
#include "reconciler.h"

#include "hash.h"
#include "notification.h"

#include "core/image_use.h"

#include <algorithm>
#include <cstring>

namespace agent {

namespace {

constexpr size_t kMaxLogEntries = 1000;

Ms Shown(const Notification& n, Ms now) { return n.shownMs + (n.shownSince ? now - n.shownSince : 0); }

// A project core that reads blobs only: no content library is needed to
// unpack and pack Ads.
lumivo::ContentLoader NoContent()
{
    return [](int) { return std::optional<std::vector<uint8_t>>(); };
}

// Packs an Ad blob's items again, as sending them would: the read-back is
// compared in this form with what was sent.
std::vector<uint8_t> Repacked(const std::vector<uint8_t>& blob)
{
    if (blob.empty())
        return {};
    lumivo::CProjectCore core(NoContent());
    std::vector<uint8_t> out;
    if (!core.LoadAdBlob(blob.data(), blob.size()) || !core.PackAdBlob(out))
        return blob;
    return out;
}

std::string BoardKey(const BoardInfo* b)
{
    if (!b)
        return "-";
    const lumivo::BoardValues& v = b->board;
    return std::to_string(v.moduleRow) + "x" + std::to_string(v.moduleColumn) + char(v.language) +
           std::to_string(v.lumivoRow) + std::to_string(v.lumivoColumn);
}

// The library loader for a project put on this board: the board's values
// choose the library (as SetBoard does), so the one the file names is never
// read only to be replaced at once.
lumivo::ContentLoader BoardsLibrary(const lumivo::ContentLoader& loader, const BoardInfo* b)
{
    if (!b)
        return loader;
    const int wanted = lumivo::BoardContainer(b->board);
    return [loader, wanted](int resource) {
        return resource == wanted ? loader(resource) : std::optional<std::vector<uint8_t>>();
    };
}

} // namespace

bool HouseKeep(DesiredState& d, Ms now, std::optional<Notification>& winner, Ms& nextEvent)
{
    bool changed = false;
    nextEvent = kNever;
    auto gone = [&](const Notification& n) {
        if (!n.ever() && n.ttlMs > 0 && now >= n.createdAt + n.ttlMs)
            return true;
        return n.durationMs > 0 && Shown(n, now) >= n.durationMs;
    };
    const size_t before = d.notifications.size();
    std::erase_if(d.notifications, gone);
    changed = d.notifications.size() != before;

    Notification* best = nullptr;
    for (Notification& n : d.notifications)
        if (!best || n.priority > best->priority)
            best = &n; // equal priorities keep arrival order: the first stays best
    for (Notification& n : d.notifications) {
        if (&n == best) {
            if (!n.shownSince) {
                n.shownSince = now;
                changed = true;
            }
            if (n.durationMs > 0)
                nextEvent = std::min(nextEvent, now + (n.durationMs - Shown(n, now)));
        } else {
            if (n.shownSince) {
                n.shownMs += now - n.shownSince;
                n.shownSince = 0;
                changed = true;
            }
            if (!n.ever() && n.ttlMs > 0)
                nextEvent = std::min(nextEvent, n.createdAt + n.ttlMs);
        }
    }
    winner.reset();
    if (best)
        winner = *best;
    return changed;
}

CReconciler::CReconciler(CDesiredStore& store, IBoardLink& link, IScheduleSource& schedule, ReconcileOptions options,
                         lumivo::ContentLoader loader)
    : m_store(store), m_link(link), m_schedule(schedule), m_options(options), m_loader(std::move(loader))
{
    m_status.device = m_link.Device();
}

CReconciler::~CReconciler() = default;

AgentStatus CReconciler::Status() const
{
    std::lock_guard lk(m_lock);
    return m_status;
}

std::vector<PlayLogEntry> CReconciler::PlayLog() const
{
    std::lock_guard lk(m_lock);
    return {m_log.begin(), m_log.end()};
}

void CReconciler::BoardLost(const std::string& why)
{
    std::lock_guard lk(m_lock);
    m_status.link = "unreachable";
    m_status.lastError = why;
    m_status.lastErrorAt = WallNow();
    m_status.boardKnown = false;
    m_needApply = true;
}

lumivo::Result CReconciler::Core(const DesiredState& d, const BoardInfo* board, bool glyphs,
                                 std::unique_ptr<lumivo::CProjectCore>& core, std::string& key)
{
    const std::string base = std::to_string(d.projectRevision) + "/" + BoardKey(board);
    // A core with the library serves a caller that needs none as well.
    if (core && (key == base + "/glyphs" || (!glyphs && key == base)))
        return {};
    core.reset(); // not two libraries at once
    std::unique_ptr<lumivo::CProjectCore> next;
    bool loaded = false;
    auto load = [&](bool library) {
        next = std::make_unique<lumivo::CProjectCore>(library ? BoardsLibrary(m_loader, board) : NoContent());
        lumivo::Result r;
        if (!d.project.empty()) {
            r = next->LoadBytes(d.project.data(), d.project.size());
            if (!r)
                return r;
        }
        loaded = true;
        if (board) {
            // The board's own values choose the content library, as a connection does.
            if (lumivo::Result b = next->SetBoard(board->board); !b)
                r.Append(b, true);
        } else if (d.project.empty()) {
            next->SetBoard(next->Board());
        }
        return r;
    };
    lumivo::Result r = load(glyphs);
    if (!loaded)
        return r;
    // Image items: telling the library's pictures from the user's, before a
    // send, needs the library.
    if (!glyphs && lumivo::HasImageItems(*next)) {
        glyphs = true;
        next.reset();
        loaded = false;
        r = load(true);
        if (!loaded)
            return r;
    }
    core = std::move(next);
    key = base + (glyphs ? "/glyphs" : "");
    return r;
}

lumivo::Result CReconciler::CheckNotification(const Notification& n)
{
    const DesiredState d = m_store.Snapshot();
    std::optional<BoardInfo> board;
    {
        std::lock_guard lk(m_lock);
        if (m_status.boardKnown)
            board = m_status.board;
    }
    std::lock_guard lk(m_checkLock);
    if (lumivo::Result r = Core(d, board ? &*board : nullptr, true, m_checkCore, m_checkKey); !r)
        return r;
    CLumivo item{};
    if (lumivo::Result r = BuildNotificationItem(n, *m_checkCore, item); !r)
        return r;
    if (m_checkCore->ItemCount() + 1 > lumivo::kMaxItems || m_checkCore->PageCount() + 1 > lumivo::kMaxPages)
        return lumivo::Result::Fail("the project holds " + std::to_string(m_checkCore->ItemCount()) +
                                    " items; a notification would pass the board's " +
                                    std::to_string(lumivo::kMaxItems));
    return {};
}

lumivo::Result CReconciler::BuildTarget(const DesiredState& d, const std::optional<Notification>& n, Ms now,
                                        Target& t)
{
    std::optional<BoardInfo> board;
    {
        std::lock_guard lk(m_lock);
        if (m_status.boardKnown)
            board = m_status.board;
    }
    if (lumivo::Result r = Core(d, board ? &*board : nullptr, n.has_value(), m_core, m_coreKey); !r)
        return r;
    lumivo::CProjectCore& core = *m_core;
    ScheduleAnswer a;
    if (d.chosenEntry.empty() || !m_schedule.Entry(core, d.chosenEntry, a)) {
        a = m_schedule.At(core, now);
        if (!d.chosenEntry.empty())
            a.why += " (the chosen entry \"" + d.chosenEntry + "\" is not in the schedule)";
    }
    t.nextChange = a.nextChange;
    t.notification = n;
    if (d.project.empty() && !n)
        return {}; // nothing asked for yet: the board keeps what it has
    // The schedule's pages play; a notification plays alone, after them.
    const unsigned pages = core.PageCount();
    // The Uses boxes as pushed, put back after packing: the schedule reads them.
    const std::vector<unsigned> pushed = UsedPages(core);
    auto setUses = [&](const std::vector<unsigned>& used) {
        for (unsigned p = 0; p < pages; ++p)
            core.SetPageUsed(p, std::find(used.begin(), used.end(), p + 1) != used.end());
    };
    setUses(n ? std::vector<unsigned>{} : a.pages);
    t.pages = n ? std::vector<unsigned>{} : a.pages;
    t.why = n ? "notification " + std::to_string(n->id) : a.why;
    lumivo::Result r;
    if (n) {
        CLumivo item{};
        r = BuildNotificationItem(*n, core, item);
        if (r)
            r = core.AppendPage({item});
    }
    if (r && core.ContentResource() != 0) // without a library the indexes cannot be told apart
        r = lumivo::CheckBeforeSend(core);
    if (r)
        r = core.PackAdBlob(t.blob);
    if (n && core.PageCount() > pages)
        core.DeletePage(pages);
    setUses(pushed);
    if (!r)
        return r;
    t.hash = ContentHash(t.blob);
    return r;
}

void CReconciler::Failed(const lumivo::Result& r, Ms now)
{
    std::lock_guard lk(m_lock);
    m_status.link = "unreachable";
    m_status.lastError = r.FirstError();
    m_status.lastErrorAt = now;
    ++m_status.failures;
    const unsigned shift = std::min(m_status.failures - 1, 16u);
    m_status.retryAt = now + std::min(m_options.maxRetry, m_options.firstRetry << shift);
    m_needApply = true; // a board that comes back may hold anything
}

void CReconciler::Succeeded(const BoardInfo& info, Ms now)
{
    std::lock_guard lk(m_lock);
    m_status.link = "ok";
    m_status.device = m_link.Device();
    m_status.boardKnown = true;
    m_status.board = info;
    m_status.failures = 0;
    m_status.retryAt = 0;
    m_status.lastClock = now; // every connection sets the clock
}

void CReconciler::LogApplied(const Target& t, Ms now)
{
    if (!m_log.empty() && m_log.back().to == 0)
        m_log.back().to = now;
    m_log.push_back({t.hash, t.pages, t.notification ? t.notification->id : 0, now, 0, 0});
    while (m_log.size() > kMaxLogEntries)
        m_log.pop_front();
}

void CReconciler::Apply(const Target& t, Ms now)
{
    BoardInfo info;
    const lumivo::Result r = m_link.Send(t.blob, info);
    if (!r)
        return Failed(r, now);
    Succeeded(info, now);
    {
        std::lock_guard lk(m_lock);
        m_status.applied = t.hash;
        m_status.appliedAt = now;
        m_status.appliedBlob = t.blob;
        m_status.verified.clear();
        m_status.verifiedAt = 0;
        LogApplied(t, now);
    }
    m_needApply = false;
    Verify(now, true);
}

std::string CReconciler::DescribeDrift(const std::vector<uint8_t>& readBack) const
{
    lumivo::AdPages sent, held;
    lumivo::ReadAdBlob(m_status.appliedBlob.data(), m_status.appliedBlob.size(), sent);
    if (readBack.empty())
        return "the board holds no Ads; " + std::to_string(sent.size()) + " were sent";
    if (!lumivo::ReadAdBlob(readBack.data(), readBack.size(), held))
        return "the board's Ad blob (" + std::to_string(readBack.size()) + " bytes) cannot be read";
    if (held.size() != sent.size())
        return "the board holds " + std::to_string(held.size()) + " Ads; " + std::to_string(sent.size()) +
               " were sent";
    for (size_t p = 0; p < held.size(); ++p) {
        const bool same = held[p].size() == sent[p].size() &&
                          std::equal(held[p].begin(), held[p].end(), sent[p].begin(), [](const CLumivo& a, const CLumivo& b) {
                              return std::memcmp(&a, &b, sizeof a) == 0;
                          });
        if (!same)
            return "Ad " + std::to_string(p + 1) + " differs from the one sent";
    }
    return "the board's Ad blob differs from the one sent";
}

void CReconciler::Verify(Ms now, bool afterSend)
{
    std::vector<uint8_t> blob;
    BoardInfo info;
    const lumivo::Result r = m_link.ReadBack(blob, info);
    if (!r)
        return Failed(r, now);
    Succeeded(info, now);
    const std::string held = ContentHash(Repacked(blob));
    std::lock_guard lk(m_lock);
    m_status.lastCheck = now;
    if (!m_status.applied.empty() && held == m_status.applied) {
        m_status.verified = held;
        m_status.verifiedAt = now;
        m_status.drift = false;
        m_expected = info;
        m_expectedKnown = true;
        m_mismatches = 0;
        if (!m_log.empty() && m_log.back().hash == held && !m_log.back().verifiedAt)
            m_log.back().verifiedAt = now;
        return;
    }
    if (m_status.applied.empty())
        return; // nothing sent by this agent yet: nothing to compare with
    m_status.drift = true;
    m_status.driftWhat = DescribeDrift(blob);
    m_status.driftAt = now;
    ++m_status.driftCount;
    m_status.verified.clear();
    m_status.verifiedAt = 0;
    if (!m_log.empty() && m_log.back().to == 0)
        m_log.back().to = now;
    m_needApply = true;
    if (afterSend) {
        // The board does not keep what it was just sent: try again later,
        // never at once.
        ++m_mismatches;
        const unsigned shift = std::min(m_mismatches - 1, 16u);
        m_status.retryAt = now + std::min(m_options.maxRetry, m_options.firstRetry << shift);
        m_status.lastError = "the board does not hold what was sent: " + m_status.driftWhat;
        m_status.lastErrorAt = now;
    }
}

void CReconciler::LightCheck(Ms now)
{
    BoardInfo info;
    const lumivo::Result r = m_link.Check(info);
    if (!r)
        return Failed(r, now);
    Succeeded(info, now);
    ++m_checks;
    bool suspect = false;
    {
        std::lock_guard lk(m_lock);
        m_status.lastCheck = now;
        suspect = !m_expectedKnown || !(info == m_expected);
    }
    // The module information is cheap; the whole read-back settles a
    // suspicion and, now and then, what the light check cannot see.
    if (suspect || (m_options.readBackEvery && m_checks % m_options.readBackEvery == 0))
        Verify(now);
}

Ms CReconciler::Reconcile(Ms now)
{
    DesiredState d = m_store.Snapshot();
    std::optional<Notification> winner;
    Ms notifyEvent = kNever;
    {
        DesiredState probe = d;
        if (HouseKeep(probe, now, winner, notifyEvent)) {
            // Written before it shows, so a restart continues the same
            // notification for the time it has left.
            m_store.Change([&](DesiredState& s) {
                HouseKeep(s, now, winner, notifyEvent);
                return lumivo::Result();
            });
            d = m_store.Snapshot();
        }
    }

    AgentStatus st = Status();
    auto next = [&](Ms extra) {
        Ms wake = std::min({extra, notifyEvent, (st.lastCheck ? st.lastCheck : now) + m_options.checkPeriod});
        std::lock_guard lk(m_lock);
        m_status.nextWake = wake;
        m_status.revisionSeen = d.revision;
        ++m_status.passes;
        return wake;
    };
    if (st.retryAt > now)
        return next(st.retryAt);

    if (!st.boardKnown) {
        BoardInfo info;
        const lumivo::Result r = m_link.Check(info);
        if (!r) {
            Failed(r, now);
            return next(Status().retryAt);
        }
        Succeeded(info, now);
    }

    Target t;
    const lumivo::Result built = BuildTarget(d, winner, now, t);
    {
        std::lock_guard lk(m_lock);
        m_status.target = t.hash;
        m_status.pages = t.pages;
        m_status.why = t.why;
        m_status.notification = t.notification;
        if (!built) {
            m_status.lastError = built.FirstError();
            m_status.lastErrorAt = now;
        }
    }
    st = Status();
    if (built && !t.hash.empty() && (m_needApply || t.hash != st.applied || m_sendRequested.exchange(false)))
        Apply(t, now);
    else if (m_verifyRequested.exchange(false))
        Verify(now);
    else if (now >= st.lastCheck + m_options.checkPeriod)
        LightCheck(now);

    st = Status();
    if (st.link == "ok" && !d.settings.empty() && d.settingsRevision != m_appliedSettings) {
        if (const lumivo::Result r = m_link.WriteSettings(d.settings); r) {
            m_appliedSettings = d.settingsRevision;
        } else {
            Failed(r, now);
        }
    }
    st = Status();
    if (st.link == "ok" && (m_clockRequested.exchange(false) || now >= st.lastClock + m_options.clockPeriod)) {
        if (const lumivo::Result r = m_link.SetClock(); r) {
            std::lock_guard lk(m_lock);
            m_status.lastClock = now;
        } else {
            Failed(r, now);
        }
    }
    st = Status();
    Ms wake = t.nextChange;
    if (st.retryAt > now)
        wake = std::min(wake, st.retryAt);
    else if (m_needApply && st.link == "ok" && built && !t.hash.empty())
        wake = now; // drift seen: put it right at once (with nothing to send, nothing to put right)
    return next(wake);
}

} // namespace agent
