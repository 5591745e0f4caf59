// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/schedule.h"
#include "core/core_text.h"

#include "core/ical_lock.h"

#include <libical/ical.h>

#include <algorithm>
#include <cstdio>
#include <set>

namespace lumivo {

namespace {

constexpr const char* kDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kRuleDays[7] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

bool InRange(const Date& d)
{
    return d.year >= kFirstScheduleYear && d.year <= kLastScheduleYear;
}

std::string Where(size_t index, const ScheduleEntry& e)
{
    const std::string number = std::to_string(index + 1);
    return e.name.empty() ? CoreText("EntryNumber", "entry %s", {number})
                          : CoreText("EntryNamed", "entry %s \"%s\"", {number, e.name});
}

} // namespace

// Days from civil (H. Hinnant's algorithm): exact for the proleptic Gregorian calendar.
int DayNumber(const Date& d)
{
    const int y = d.year - (d.month <= 2);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned m = static_cast<unsigned>(d.month);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + static_cast<unsigned>(d.day) - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int>(doe) - 719468;
}

Date FromDayNumber(int z)
{
    z += 719468;
    const int era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int y = static_cast<int>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return Date{y + (m <= 2), static_cast<int>(m), static_cast<int>(d)};
}

int Weekday(const Date& d)
{
    const int n = DayNumber(d);
    return ((n % 7) + 7 + 4) % 7; // 1970-01-01 was a Thursday
}

std::string FormatDate(const Date& d)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}

std::optional<Date> ParseDate(const std::string& text)
{
    int y = 0, m = 0, d = 0, used = 0;
    if (text.size() != 10 || std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &y, &m, &d, &used) != 3 || used != 10)
        return std::nullopt;
    const Date date{y, m, d};
    if (m < 1 || m > 12 || d < 1 || d > 31 || FromDayNumber(DayNumber(date)) != date)
        return std::nullopt;
    return date;
}

std::string FormatMinute(int minute)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d", minute / 60, minute % 60);
    return buf;
}

std::optional<int> ParseMinute(const std::string& text)
{
    int h = 0, m = 0, used = 0;
    if (text.size() < 4 || text.size() > 5 || std::sscanf(text.c_str(), "%2d:%2d%n", &h, &m, &used) != 2 ||
        used != static_cast<int>(text.size()) || text[text.size() - 3] != ':')
        return std::nullopt;
    if (h < 0 || m < 0 || m > 59 || h > 24 || (h == 24 && m != 0))
        return std::nullopt;
    return h * 60 + m;
}

const char* DayName(int weekday) { return kDayNames[((weekday % 7) + 7) % 7]; }

std::string ScheduleEntry::RuleText() const
{
    if (!rule.empty())
        return rule;
    std::string s = "FREQ=WEEKLY;BYDAY=";
    bool any = false;
    for (int d = 0; d < 7; ++d)
        if (days & (1u << d)) {
            s += any ? "," : "";
            s += kRuleDays[d];
            any = true;
        }
    return s;
}

Result CheckEntry(const ScheduleEntry& e)
{
    Result r;
    if (e.name.empty())
        r.Error(CoreText("EntryNoName", "the entry has no name"));
    if (e.start < 0 || e.start > 1439)
        r.Error(CoreText("StartNotTime", "its start %s is not a time of day", {FormatMinute(std::max(e.start, 0))}));
    if (e.end < 1 || e.end > 1440)
        r.Error(CoreText("EndNotTime", "its end is not a time of day (00:01 to 24:00)"));
    else if (e.end == e.start)
        r.Error(CoreText("WindowEmpty", "its window %s–%s is empty", {FormatMinute(e.start), FormatMinute(e.end)}));
    if (e.rule.empty() && (e.days & kAllDays) == 0)
        r.Error(CoreText("NoWeekday", "it is on no day of the week"));
    if (e.priority < 1 || e.priority > 9)
        r.Error(CoreText("PriorityRange", "its priority %s is not between 1 and 9", {std::to_string(e.priority)}));
    if (e.first && !InRange(*e.first))
        r.Error(CoreText("FirstDateRange", "its first date %s is outside 1970–2099", {FormatDate(*e.first)}));
    if (e.last && !InRange(*e.last))
        r.Error(CoreText("LastDateRange", "its last date %s is outside 1970–2099", {FormatDate(*e.last)}));
    if (e.first && e.last && *e.last < *e.first)
        r.Error(CoreText("LastBeforeFirst", "its last date %s is before its first %s", {FormatDate(*e.last), FormatDate(*e.first)}));
    for (const Date& d : e.except)
        if (!InRange(d))
            r.Error(CoreText("ExceptDateRange", "its exception date %s is outside 1970–2099", {FormatDate(d)}));
    if (!e.rule.empty()) {
        if (!e.first)
            r.Error(CoreText("RuleNeedsFirst", "its calendar rule needs a first date"));
        std::lock_guard<std::recursive_mutex> lock(IcalLock());
        icalerror_clear_errno();
        const icalrecurrencetype rec = icalrecurrencetype_from_string(e.rule.c_str());
        if (rec.freq == ICAL_NO_RECURRENCE || icalerrno != ICAL_NO_ERROR)
            r.Error(CoreText("RuleNotExpanded", "libical cannot expand its rule \"%s\"", {e.rule}));
        else if (rec.freq < ICAL_DAILY_RECURRENCE || rec.by_hour[0] != ICAL_RECURRENCE_ARRAY_MAX ||
                 rec.by_minute[0] != ICAL_RECURRENCE_ARRAY_MAX || rec.by_second[0] != ICAL_RECURRENCE_ARRAY_MAX)
            r.Error(CoreText("RuleWithinDay", "its rule \"%s\" repeats within a day; a window starts at most once a day", {e.rule}));
        icalerror_clear_errno();
    }
    return r;
}

Result CheckSchedule(const Schedule& s)
{
    Result r;
    if (s.entries.size() > kMaxScheduleEntries)
        r.Error(CoreText("TooManyEntries", "the schedule has %s entries; at most %s are allowed",
                         {std::to_string(s.entries.size()), std::to_string(kMaxScheduleEntries)}));
    for (size_t i = 0; i < s.entries.size(); ++i) {
        const Result one = CheckEntry(s.entries[i]);
        for (const Message& m : one.messages())
            r.Error(Where(i, s.entries[i]) + ": " + m.text);
    }
    if (!s.timeZone.empty() && !ZoneKnown(s.timeZone))
        r.Error(CoreText("ZoneUnknown", "the time zone \"%s\" is not known", {s.timeZone}));
    return r;
}

// ---- JSON

nlohmann::json ScheduleToJson(const Schedule& s)
{
    nlohmann::json entries = nlohmann::json::array();
    for (const ScheduleEntry& e : s.entries) {
        nlohmann::json j;
        j["name"] = e.name;
        nlohmann::json pages = nlohmann::json::array();
        for (unsigned p : e.pages)
            pages.push_back(p + 1);
        j["pages"] = pages;
        j["start"] = FormatMinute(e.start);
        j["end"] = FormatMinute(e.end);
        if (e.rule.empty()) {
            nlohmann::json days = nlohmann::json::array();
            for (int d = 0; d < 7; ++d)
                if (e.days & (1u << d))
                    days.push_back(kDayNames[d]);
            j["days"] = days;
        } else {
            j["rule"] = e.rule;
        }
        if (e.first)
            j["first"] = FormatDate(*e.first);
        if (e.last)
            j["last"] = FormatDate(*e.last);
        if (!e.except.empty()) {
            nlohmann::json ex = nlohmann::json::array();
            for (const Date& d : e.except)
                ex.push_back(FormatDate(d));
            j["except"] = ex;
        }
        j["priority"] = e.priority;
        entries.push_back(j);
    }
    nlohmann::json out;
    if (!s.timeZone.empty())
        out["timeZone"] = s.timeZone;
    out["entries"] = entries;
    return out;
}

namespace {

// Reads one field; errors name the place.
class FieldReader {
public:
    FieldReader(const nlohmann::json& j, std::string where, Result& r) : m_j(j), m_where(std::move(where)), m_r(r) {}

    const nlohmann::json* Find(const char* key) const
    {
        auto it = m_j.find(key);
        return it == m_j.end() ? nullptr : &*it;
    }
    void Bad(const std::string& key, const std::string& what) { m_r.Error(m_where + "." + key + ": " + what); }

    std::optional<std::string> String(const char* key, bool required)
    {
        const nlohmann::json* v = Find(key);
        if (!v) {
            if (required)
                Bad(key, CoreText("Missing", "missing"));
            return std::nullopt;
        }
        if (!v->is_string()) {
            Bad(key, CoreText("NotString", "not a string"));
            return std::nullopt;
        }
        return v->get<std::string>();
    }
    std::optional<Date> DateField(const char* key)
    {
        auto s = String(key, false);
        if (!s)
            return std::nullopt;
        auto d = ParseDate(*s);
        if (!d)
            Bad(key, CoreText("NotDate", "\"%s\" is not a date (YYYY-MM-DD)", {*s}));
        return d;
    }
    std::optional<int> Minute(const char* key)
    {
        auto s = String(key, true);
        if (!s)
            return std::nullopt;
        auto m = ParseMinute(*s);
        if (!m)
            Bad(key, CoreText("NotTime", "\"%s\" is not a time (HH:MM)", {*s}));
        return m;
    }

private:
    const nlohmann::json& m_j;
    std::string m_where;
    Result& m_r;
};

std::optional<ScheduleEntry> EntryFromJson(const nlohmann::json& j, const std::string& where, Result& r)
{
    if (!j.is_object()) {
        r.Error(where + ": " + CoreText("NotObject", "not an object"));
        return std::nullopt;
    }
    const size_t errors = r.messages().size();
    FieldReader f(j, where, r);
    ScheduleEntry e;
    if (auto n = f.String("name", true))
        e.name = *n;
    if (const nlohmann::json* pages = f.Find("pages"); pages && pages->is_array()) {
        std::set<unsigned> set;
        for (const nlohmann::json& p : *pages) {
            if (!p.is_number_integer() || p.get<long long>() < 1 || p.get<long long>() > 1000) {
                f.Bad("pages", CoreText("PagesNumbers", "every page is a number from 1"));
                break;
            }
            set.insert(static_cast<unsigned>(p.get<long long>() - 1));
        }
        e.pages.assign(set.begin(), set.end());
    } else {
        f.Bad("pages", pages ? CoreText("NotList", "not a list") : CoreText("Missing", "missing"));
    }
    if (auto m = f.Minute("start"))
        e.start = *m;
    if (auto m = f.Minute("end"))
        e.end = *m;
    if (auto rule = f.String("rule", false))
        e.rule = *rule;
    if (const nlohmann::json* days = f.Find("days")) {
        e.days = 0;
        if (!days->is_array())
            f.Bad("days", CoreText("NotList", "not a list"));
        else
            for (const nlohmann::json& d : *days) {
                int found = -1;
                for (int k = 0; k < 7 && d.is_string(); ++k)
                    if (d.get<std::string>() == kDayNames[k])
                        found = k;
                if (found < 0) {
                    f.Bad("days", CoreText("DayNames", "a day is one of Sun, Mon, Tue, Wed, Thu, Fri, Sat"));
                    break;
                }
                e.days |= static_cast<uint8_t>(1u << found);
            }
    } else if (e.rule.empty()) {
        f.Bad("days", CoreText("Missing", "missing"));
    }
    e.first = f.DateField("first");
    e.last = f.DateField("last");
    if (const nlohmann::json* ex = f.Find("except")) {
        if (!ex->is_array())
            f.Bad("except", CoreText("NotList", "not a list"));
        else
            for (const nlohmann::json& d : *ex) {
                auto date = d.is_string() ? ParseDate(d.get<std::string>()) : std::nullopt;
                if (!date) {
                    f.Bad("except", CoreText("ExceptDates", "every exception is a date (YYYY-MM-DD)"));
                    break;
                }
                e.except.push_back(*date);
            }
        std::sort(e.except.begin(), e.except.end());
        e.except.erase(std::unique(e.except.begin(), e.except.end()), e.except.end());
    }
    if (const nlohmann::json* p = f.Find("priority")) {
        if (!p->is_number_integer())
            f.Bad("priority", CoreText("NotWhole", "not a whole number"));
        else
            e.priority = static_cast<int>(std::clamp<long long>(p->get<long long>(), -1, 99));
    }
    if (r.messages().size() != errors)
        return std::nullopt;
    const Result check = CheckEntry(e);
    for (const Message& m : check.messages())
        r.Error(where + ": " + m.text);
    if (!check)
        return std::nullopt;
    return e;
}

} // namespace

Result ScheduleFromJson(const nlohmann::json& json, Schedule& schedule)
{
    Result r;
    if (!json.is_object())
        return Result::Fail("schedule: " + CoreText("NotObject", "not an object"));
    Schedule s;
    if (auto it = json.find("timeZone"); it != json.end()) {
        if (!it->is_string())
            r.Error("schedule.timeZone: " + CoreText("NotString", "not a string"));
        else
            s.timeZone = it->get<std::string>();
    }
    auto entries = json.find("entries");
    if (entries == json.end() || !entries->is_array())
        r.Error("schedule.entries: " + (entries == json.end() ? CoreText("Missing", "missing") : CoreText("NotList", "not a list")));
    else if (entries->size() > kMaxScheduleEntries)
        r.Error("schedule.entries: " + CoreText("TooManyEntriesListed", "%s entries; at most %s are allowed",
                                                {std::to_string(entries->size()), std::to_string(kMaxScheduleEntries)}));
    else
        for (size_t i = 0; i < entries->size(); ++i)
            if (auto e = EntryFromJson((*entries)[i], "schedule.entries[" + std::to_string(i) + "]", r))
                s.entries.push_back(std::move(*e));
    if (!r)
        return r;
    r.Append(CheckSchedule(s));
    if (r)
        schedule = std::move(s);
    return r;
}

// ---- Renumbering

void SchedulePageInserted(Schedule& schedule, unsigned page)
{
    for (ScheduleEntry& e : schedule.entries)
        for (unsigned& p : e.pages)
            if (p >= page)
                ++p;
}

void SchedulePageDeleted(Schedule& schedule, unsigned page)
{
    for (ScheduleEntry& e : schedule.entries) {
        std::erase(e.pages, page);
        for (unsigned& p : e.pages)
            if (p > page)
                --p;
    }
}

unsigned PageAfterMove(unsigned page, unsigned from, unsigned to)
{
    if (page == from)
        return to;
    if (from < to && page > from && page <= to)
        return page - 1;
    if (to < from && page >= to && page < from)
        return page + 1;
    return page;
}

void SchedulePageMoved(Schedule& schedule, unsigned from, unsigned to)
{
    for (ScheduleEntry& e : schedule.entries) {
        for (unsigned& p : e.pages)
            p = PageAfterMove(p, from, to);
        std::sort(e.pages.begin(), e.pages.end());
    }
}

std::vector<size_t> EntriesNaming(const Schedule& schedule, unsigned page)
{
    std::vector<size_t> out;
    for (size_t i = 0; i < schedule.entries.size(); ++i) {
        const auto& pages = schedule.entries[i].pages;
        if (std::find(pages.begin(), pages.end(), page) != pages.end())
            out.push_back(i);
    }
    return out;
}

// ---- Text

namespace {

std::string DescribeDays(uint8_t days, const WhenWords& w)
{
    if ((days & kAllDays) == kAllDays)
        return w.daily;
    // Runs of consecutive days from Monday to Sunday, "Mon–Fri".
    static constexpr int order[7] = {1, 2, 3, 4, 5, 6, 0};
    std::string out;
    for (int i = 0; i < 7;) {
        if (!(days & (1u << order[i]))) {
            ++i;
            continue;
        }
        int j = i;
        while (j + 1 < 7 && (days & (1u << order[j + 1])))
            ++j;
        if (!out.empty())
            out += ", ";
        out += w.days[order[i]];
        if (j > i + 1)
            out += "–" + w.days[order[j]];
        else if (j == i + 1)
            out += ", " + w.days[order[j]];
        i = j + 1;
    }
    return out;
}

// The part with its value put in for "%s".
std::string Part(const std::string& pattern, const std::string& value)
{
    std::string s = pattern;
    if (const size_t at = s.find("%s"); at != std::string::npos)
        s.replace(at, 2, value);
    return " " + s;
}

} // namespace

std::string DescribeWhen(const ScheduleEntry& e, const WhenWords& w)
{
    std::string s = e.rule.empty() ? DescribeDays(e.days, w) : e.rule;
    s += " " + FormatMinute(e.start) + "–" + FormatMinute(e.end);
    if (e.first && e.rule.empty())
        s += Part(w.from, FormatDate(*e.first));
    if (e.last)
        s += Part(w.until, FormatDate(*e.last));
    if (!e.except.empty())
        s += e.except.size() == 1 ? " " + w.exceptOne : Part(w.exceptMany, std::to_string(e.except.size()));
    return s;
}

std::string DescribePage(const Schedule& schedule, unsigned page, bool usedByDefault, const WhenWords& w)
{
    std::string out;
    for (size_t i : EntriesNaming(schedule, page)) {
        if (!out.empty())
            out += "; ";
        out += DescribeWhen(schedule.entries[i], w);
    }
    if (usedByDefault)
        out += out.empty() ? w.byDefault : "; " + w.byDefault;
    return out;
}

} // namespace lumivo
