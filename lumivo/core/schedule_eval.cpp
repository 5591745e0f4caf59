// SPDX-License-Identifier: GPL-2.0-or-later
// Years are expanded one at a time and kept: every window starting on a day
// of the year (and on the last day before it) becomes an interval of
// instants per entry. At() looks through those intervals entry by entry;
// NextChange() walks a timeline swept from the same intervals. The two
// paths agree by construction only through the intervals, which the tests
// use to check one against the other.
#include "core/schedule_eval.h"
#include "core/core_text.h"

#include "core/ical_lock.h"

#include <libical/ical.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <set>
#include <unistd.h>
#include <unordered_map>

namespace lumivo {

std::recursive_mutex& IcalLock()
{
    static std::recursive_mutex lock;
    return lock;
}

namespace {

constexpr std::time_t kDay = 86400;

struct Interval {
    std::time_t from;
    std::time_t to;
};

struct Segment {
    std::time_t from;
    ScheduleState state;
};

struct Year {
    std::vector<std::vector<Interval>> perEntry;
    std::vector<Segment> timeline; // covers the local year; built on first use
    bool timelineBuilt = false;
};

icaltimezone* FindZone(const std::string& name)
{
    if (name == "UTC" || name == "Etc/UTC")
        return icaltimezone_get_utc_timezone();
    return icaltimezone_get_builtin_timezone(name.c_str());
}

} // namespace

bool ZoneKnown(const std::string& name)
{
    std::lock_guard<std::recursive_mutex> lock(IcalLock());
    return FindZone(name) != nullptr;
}

ScheduleClock SystemScheduleClock()
{
    return [] { return std::time(nullptr); };
}

std::string SystemZoneName()
{
    if (const char* tz = std::getenv("TZ"); tz && *tz) {
        std::string name = tz[0] == ':' ? tz + 1 : tz;
        const std::string prefix = "/usr/share/zoneinfo/";
        if (name.rfind(prefix, 0) == 0)
            name = name.substr(prefix.size());
        return name;
    }
    std::ifstream in("/etc/timezone");
    std::string line;
    if (in && std::getline(in, line) && !line.empty())
        return line;
    char buf[512];
    const ssize_t n = readlink("/etc/localtime", buf, sizeof buf - 1);
    if (n > 0) {
        const std::string target(buf, static_cast<size_t>(n));
        const auto at = target.find("zoneinfo/");
        if (at != std::string::npos)
            return target.substr(at + 9);
    }
    return "UTC";
}

struct CScheduleEvaluator::Impl {
    Schedule schedule;
    std::vector<unsigned> defaultPages;
    unsigned pageCount = 0;
    icaltimezone* zone = nullptr;
    std::vector<bool> hasAds; // per entry: names at least one existing page

    mutable std::unordered_map<int, std::pair<int, int>> dayOffsets; // local day: offsets a day before, after
    mutable std::map<int, Year> years;
    mutable std::map<std::string, std::vector<int>> ruleDays; // rule|anchor|minute|from -> start days

    int OffsetAt(std::time_t u) const
    {
        icaltimetype t = icaltime_from_timet_with_zone(u, 0, icaltimezone_get_utc_timezone());
        int daylight = 0;
        return icaltimezone_get_utc_offset_of_utc_time(zone, &t, &daylight);
    }

    std::time_t ToInstant(const Date& d, int minute) const { return ToInstant(DayNumber(d), minute); }

    std::time_t ToInstant(int day, int minute) const
    {
        day += minute / 1440;
        minute %= 1440;
        const std::time_t f = static_cast<std::time_t>(day) * kDay + minute * 60;
        auto it = dayOffsets.find(day);
        if (it == dayOffsets.end()) {
            const std::time_t mid = static_cast<std::time_t>(day) * kDay + kDay / 2;
            it = dayOffsets.emplace(day, std::make_pair(OffsetAt(mid - kDay), OffsetAt(mid + kDay))).first;
        }
        const auto [early, late] = it->second;
        if (early == late)
            return f - early;
        // A change near this day: the earliest reading that maps back is the
        // first occurrence; none maps back inside a gap.
        std::time_t cands[2] = {f - early, f - late};
        std::sort(cands, cands + 2);
        for (std::time_t c : cands)
            if (c + OffsetAt(c) == f)
                return c;
        return f - early;
    }

    LocalTime ToLocal(std::time_t u) const
    {
        const std::time_t f = u + OffsetAt(u);
        std::time_t day = f / kDay, rest = f % kDay;
        if (rest < 0) {
            rest += kDay;
            --day;
        }
        return LocalTime{FromDayNumber(static_cast<int>(day)), static_cast<int>(rest / 60), static_cast<int>(rest % 60)};
    }

    // Start days (day numbers) of the entry's rule within [from, to]. A
    // weekly rule on several days is the union of the weekly rules on each
    // of them, so those seven expansions serve every entry of the year.
    std::vector<int> RuleDays(const ScheduleEntry& e, int from, int to) const
    {
        if (!e.rule.empty())
            return Expand(e.rule, DayNumber(*e.first), e.start, from, to);
        static constexpr const char* kDays[7] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
        std::vector<int> days;
        for (int d = 0; d < 7; ++d)
            if (e.days & (1u << d)) {
                const std::vector<int>& one = Expand(std::string("FREQ=WEEKLY;BYDAY=") + kDays[d], from, 0, from, to);
                days.insert(days.end(), one.begin(), one.end());
            }
        std::sort(days.begin(), days.end());
        return days;
    }

    // Start days of a rule from DTSTART anchor (at minute) within [from, to], kept.
    const std::vector<int>& Expand(const std::string& rule, int anchor, int minute, int from, int to) const
    {
        const std::string key = rule + "|" + std::to_string(anchor) + "|" + std::to_string(minute) + "|" +
                                std::to_string(from);
        auto it = ruleDays.find(key);
        if (it != ruleDays.end())
            return it->second;
        std::vector<int> days;
        icalerror_clear_errno();
        icalrecurrencetype rec = icalrecurrencetype_from_string(rule.c_str());
        const Date a = FromDayNumber(anchor);
        icaltimetype start = icaltime_null_time();
        start.year = a.year;
        start.month = a.month;
        start.day = a.day;
        start.hour = minute / 60;
        start.minute = minute % 60;
        if (icalrecur_iterator* iter = icalrecur_iterator_new(rec, start)) {
            // A daily rule starts at most once a day: this bounds the walk.
            const long bound = static_cast<long>(to - anchor) + 2;
            long steps = 0;
            for (icaltimetype t = icalrecur_iterator_next(iter); !icaltime_is_null_time(t) && steps <= bound;
                 t = icalrecur_iterator_next(iter), ++steps) {
                const int d = DayNumber(Date{t.year, t.month, t.day});
                if (d > to)
                    break;
                if (d >= from && (days.empty() || days.back() != d))
                    days.push_back(d);
            }
            icalrecur_iterator_free(iter);
        }
        icalerror_clear_errno();
        return ruleDays.emplace(key, std::move(days)).first->second;
    }

    const Year& YearOf(int y) const
    {
        auto it = years.find(y);
        if (it != years.end())
            return it->second;
        Year year;
        const int from = DayNumber(Date{y, 1, 1}) - 1;
        const int to = DayNumber(Date{y, 12, 31});
        year.perEntry.resize(schedule.entries.size());
        for (size_t i = 0; i < schedule.entries.size(); ++i) {
            const ScheduleEntry& e = schedule.entries[i];
            if (!hasAds[i])
                continue;
            int lo = from, hi = to;
            if (e.first)
                lo = std::max(lo, DayNumber(*e.first));
            if (e.last)
                hi = std::min(hi, DayNumber(*e.last));
            if (lo > hi)
                continue;
            std::set<int> except;
            for (const Date& d : e.except)
                except.insert(DayNumber(d));
            for (int d : RuleDays(e, from, to)) {
                if (d < lo || d > hi || except.count(d))
                    continue;
                if (e.rule.empty() && !(e.days & (1u << (((d % 7) + 7 + 4) % 7))))
                    continue; // the anchor day counts as an occurrence in iCalendar (1970-01-01: a Thursday)
                const std::time_t s = ToInstant(d, e.start);
                const std::time_t t = ToInstant(d, e.start + e.Length());
                if (t > s)
                    year.perEntry[i].push_back({s, t});
            }
        }
        return years.emplace(y, std::move(year)).first->second;
    }

    ScheduleState StateOf(const std::vector<size_t>& active) const
    {
        ScheduleState st;
        int best = 10;
        for (size_t i : active)
            best = std::min(best, schedule.entries[i].priority);
        uint64_t pages = 0;
        for (size_t i : active)
            if (schedule.entries[i].priority == best) {
                st.entries.push_back(i);
                for (unsigned p : schedule.entries[i].pages)
                    if (p < pageCount)
                        pages |= uint64_t{1} << p;
            }
        if (st.entries.empty()) {
            st.pages = defaultPages;
            return st;
        }
        st.isDefault = false;
        for (unsigned p = 0; p < 64; ++p)
            if (pages & (uint64_t{1} << p))
                st.pages.push_back(p);
        return st;
    }

    const std::vector<Segment>& Timeline(int y) const
    {
        const Year& cyear = YearOf(y);
        Year& year = years.find(y)->second;
        if (year.timelineBuilt)
            return year.timeline;
        const std::time_t spanFrom = ToInstant(Date{y, 1, 1}, 0);
        const std::time_t spanTo = ToInstant(Date{y + 1, 1, 1}, 0);
        // An event is one integer, its instant (from the year's start) first,
        // so sorting it is cheap; the order of events at one instant does not
        // matter, as the state is taken after all of them.
        static_assert(kMaxScheduleEntries < (1 << 15));
        std::vector<uint64_t> events;
        for (size_t i = 0; i < cyear.perEntry.size(); ++i)
            for (const Interval& iv : cyear.perEntry[i]) {
                const std::time_t a = std::max(iv.from, spanFrom), b = std::min(iv.to, spanTo);
                if (a >= b)
                    continue;
                events.push_back(uint64_t(a - spanFrom) << 16 | uint64_t(i) << 1 | 1);
                events.push_back(uint64_t(b - spanFrom) << 16 | uint64_t(i) << 1);
            }
        std::sort(events.begin(), events.end());
        const auto instantOf = [spanFrom](uint64_t ev) { return spanFrom + std::time_t(ev >> 16); };
        // Active entries by priority, with how many of them name each page
        // and the pages named, kept in step with the events: a state costs
        // its top bucket only.
        std::vector<int> count(schedule.entries.size(), 0);
        std::vector<size_t> byPriority[10];
        uint16_t pageUse[10][64] = {};
        uint64_t pageMask[10] = {};
        uint64_t defaultMask = 0;
        for (unsigned p : defaultPages)
            defaultMask |= uint64_t{1} << p;
        // What the last segment shows, to skip instants that change nothing.
        int lastBest = 0;
        uint64_t lastMask = 0;
        size_t k = 0;
        std::time_t at = spanFrom;
        for (;;) {
            bool changed = year.timeline.empty();
            while (k < events.size() && instantOf(events[k]) == at) {
                const uint64_t ev = events[k++];
                const size_t entry = size_t(ev >> 1 & 0x7FFF);
                const int before = count[entry];
                count[entry] += (ev & 1) ? 1 : -1;
                if ((before > 0) == (count[entry] > 0))
                    continue;
                changed = true;
                const ScheduleEntry& e = schedule.entries[entry];
                std::vector<size_t>& bucket = byPriority[e.priority];
                auto pos = std::lower_bound(bucket.begin(), bucket.end(), entry);
                const bool on = count[entry] > 0;
                if (on)
                    bucket.insert(pos, entry);
                else
                    bucket.erase(pos);
                for (unsigned p : e.pages)
                    if (p < pageCount) {
                        uint16_t& use = pageUse[e.priority][p];
                        use = uint16_t(on ? use + 1 : use - 1);
                        if (use)
                            pageMask[e.priority] |= uint64_t{1} << p;
                        else
                            pageMask[e.priority] &= ~(uint64_t{1} << p);
                    }
            }
            if (changed) {
                int best = 1;
                while (best < 10 && byPriority[best].empty())
                    ++best;
                const uint64_t mask = best == 10 ? defaultMask : pageMask[best];
                const bool same = !year.timeline.empty() && best == lastBest && mask == lastMask &&
                                  (best == 10 || year.timeline.back().state.entries == byPriority[best]);
                if (!same) {
                    ScheduleState st;
                    if (best == 10) {
                        st.pages = defaultPages;
                    } else {
                        st.isDefault = false;
                        st.entries = byPriority[best];
                        for (uint64_t m = mask; m; m &= m - 1)
                            st.pages.push_back(unsigned(__builtin_ctzll(m)));
                    }
                    year.timeline.push_back({at, std::move(st)});
                    lastBest = best;
                    lastMask = mask;
                }
            }
            if (k >= events.size() || instantOf(events[k]) >= spanTo)
                break;
            at = instantOf(events[k]);
        }
        year.timelineBuilt = true;
        return year.timeline;
    }
};

namespace {

constexpr std::time_t kMinInstant = 0;                   // 1970-01-01 00:00 UTC
constexpr std::time_t kMaxInstant = 4102444800 - 86400;  // 2099-12-31 00:00 UTC

} // namespace

CScheduleEvaluator::CScheduleEvaluator(std::unique_ptr<Impl> impl, std::string zone)
    : m_impl(std::move(impl)), m_zoneName(std::move(zone))
{
}

CScheduleEvaluator::~CScheduleEvaluator() = default;

Result CScheduleEvaluator::Make(const Schedule& schedule, std::vector<unsigned> defaultPages, unsigned pageCount,
                                std::unique_ptr<CScheduleEvaluator>& out)
{
    Result r = CheckSchedule(schedule);
    if (!r)
        return r;
    std::lock_guard<std::recursive_mutex> lock(IcalLock());
    auto impl = std::make_unique<Impl>();
    const std::string zone = schedule.timeZone.empty() ? SystemZoneName() : schedule.timeZone;
    impl->zone = FindZone(zone);
    if (!impl->zone)
        return Result::Fail(CoreText("ZoneNotInLibical", "the time zone \"%s\" is not known to libical", {zone}));
    impl->schedule = schedule;
    // A project holds at most 50 pages; the state gathers them in 64 bits.
    pageCount = std::min(pageCount, 64u);
    std::sort(defaultPages.begin(), defaultPages.end());
    std::erase_if(defaultPages, [&](unsigned p) { return p >= pageCount; });
    impl->defaultPages = std::move(defaultPages);
    impl->pageCount = pageCount;
    for (const ScheduleEntry& e : schedule.entries)
        impl->hasAds.push_back(std::any_of(e.pages.begin(), e.pages.end(), [&](unsigned p) { return p < pageCount; }));
    out.reset(new CScheduleEvaluator(std::move(impl), zone));
    return r;
}

ScheduleState CScheduleEvaluator::At(std::time_t t) const
{
    std::lock_guard<std::recursive_mutex> lock(IcalLock());
    t = std::clamp(t, kMinInstant, kMaxInstant);
    const Year& year = m_impl->YearOf(m_impl->ToLocal(t).date.year);
    std::vector<size_t> active;
    for (size_t i = 0; i < year.perEntry.size(); ++i) {
        const auto& ivs = year.perEntry[i];
        auto it = std::upper_bound(ivs.begin(), ivs.end(), t, [](std::time_t v, const Interval& iv) { return v < iv.from; });
        // The window that started last before t, and the one before it
        // (a 24-hour window on a fall-back day overlaps the next one).
        for (int back = 0; back < 2 && it != ivs.begin(); ++back) {
            --it;
            if (t < it->to) {
                active.push_back(i);
                break;
            }
        }
    }
    return m_impl->StateOf(active);
}

std::optional<std::time_t> CScheduleEvaluator::NextChange(std::time_t t, std::time_t limit) const
{
    std::lock_guard<std::recursive_mutex> lock(IcalLock());
    t = std::clamp(t, kMinInstant, kMaxInstant);
    limit = std::min(limit, kMaxInstant + kDay);
    int y = m_impl->ToLocal(t).date.year;
    const std::vector<Segment>* line = &m_impl->Timeline(y);
    auto it = std::upper_bound(line->begin(), line->end(), t, [](std::time_t v, const Segment& s) { return v < s.from; });
    const std::vector<unsigned> now = it == line->begin() ? m_impl->defaultPages : std::prev(it)->state.pages;
    for (;;) {
        for (; it != line->end(); ++it) {
            if (it->from >= limit)
                return std::nullopt;
            if (it->from > t && it->state.pages != now)
                return it->from;
        }
        if (++y > kLastScheduleYear)
            return std::nullopt;
        line = &m_impl->Timeline(y);
        it = line->begin();
    }
}

LocalTime CScheduleEvaluator::ToLocal(std::time_t t) const
{
    std::lock_guard<std::recursive_mutex> lock(IcalLock());
    return m_impl->ToLocal(t);
}

std::time_t CScheduleEvaluator::ToInstant(const Date& date, int minute) const
{
    std::lock_guard<std::recursive_mutex> lock(IcalLock());
    return m_impl->ToInstant(date, minute);
}

ScheduleProblems FindScheduleProblems(const Schedule& schedule, const CScheduleEvaluator& eval, unsigned pageCount,
                                      std::time_t from)
{
    ScheduleProblems p;
    for (size_t i = 0; i < schedule.entries.size(); ++i) {
        bool any = false;
        for (unsigned page : schedule.entries[i].pages) {
            if (page < pageCount)
                any = true;
            else
                p.missingPages.push_back({i, page});
        }
        if (!any)
            p.entriesWithoutAds.push_back(i);
    }
    std::vector<bool> shown(pageCount, false);
    const std::time_t to = from + 366 * kDay;
    for (std::optional<std::time_t> t = from; t; t = eval.NextChange(*t, to))
        for (unsigned page : eval.At(*t).pages)
            shown[page] = true;
    for (unsigned page = 0; page < pageCount; ++page)
        if (!shown[page])
            p.unusedPages.push_back(page);
    return p;
}

} // namespace lumivo
