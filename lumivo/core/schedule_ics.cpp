// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/schedule_ics.h"
#include "core/core_text.h"

#include "core/ical_lock.h"

#include <libical/ical.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <vector>

namespace lumivo {

namespace {

struct ComponentFree {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

// libical reads past many faults; this pass names the first line that is
// not a content line or breaks the BEGIN/END nesting.
Result CheckLines(const std::string& text)
{
    std::vector<std::string> stack;
    size_t lineNo = 0, pos = 0;
    bool first = true;
    auto fail = [&](const std::string& what) { return Result::Fail(CoreText("IcsLine", "line %s: %s", {std::to_string(lineNo), what})); };
    while (pos < text.size()) {
        size_t eol = text.find('\n', pos);
        if (eol == std::string::npos)
            eol = text.size();
        std::string line = text.substr(pos, eol - pos);
        pos = eol + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == ' ' || line[0] == '\t')
            continue; // blank, or a folded continuation
        size_t name = 0;
        while (name < line.size() && (std::isalnum(static_cast<unsigned char>(line[name])) || line[name] == '-'))
            ++name;
        if (name == 0 || name == line.size() || (line[name] != ':' && line[name] != ';'))
            return fail(CoreText("NotProperty", "\"%s\" is not a property (NAME:value)", {line.substr(0, 40)}));
        if (line.find(':') == std::string::npos)
            return fail(CoreText("NoValue", "the property has no value"));
        std::string key = line.substr(0, name);
        std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::toupper(c); });
        const std::string value = line.substr(line.find(':') + 1);
        if (first && !(key == "BEGIN" && value == "VCALENDAR"))
            return fail(CoreText("BeginCalendar", "a calendar begins with BEGIN:VCALENDAR"));
        first = false;
        if (key == "BEGIN")
            stack.push_back(value);
        else if (key == "END") {
            if (stack.empty() || stack.back() != value)
                return fail(stack.empty() ? CoreText("EndAlone", "END:%s closes nothing", {value})
                                    : CoreText("EndMismatch", "END:%s does not close BEGIN:%s", {value, stack.back()}));
            stack.pop_back();
        }
    }
    if (first)
        return Result::Fail(CoreText("CalendarEmpty", "the calendar is empty"));
    if (!stack.empty())
        return Result::Fail(CoreText("IcsLine", "line %s: %s", {std::to_string(lineNo), CoreText("NeverClosed", "BEGIN:%s is never closed", {stack.back()})}));
    return {};
}

bool Unset(const short* by) { return by[0] == ICAL_RECURRENCE_ARRAY_MAX; }

// The days of a plain weekly (or daily) rule; nullopt when the rule says more.
std::optional<uint8_t> PlainDays(const icalrecurrencetype& r, int startWeekday)
{
    if ((r.interval > 1) || r.count != 0 || !Unset(r.by_second) || !Unset(r.by_minute) || !Unset(r.by_hour) ||
        !Unset(r.by_month_day) || !Unset(r.by_year_day) || !Unset(r.by_week_no) || !Unset(r.by_month) ||
        !Unset(r.by_set_pos))
        return std::nullopt;
    if (r.freq == ICAL_DAILY_RECURRENCE)
        return Unset(r.by_day) ? std::optional<uint8_t>(kAllDays) : std::nullopt;
    if (r.freq != ICAL_WEEKLY_RECURRENCE)
        return std::nullopt;
    if (Unset(r.by_day))
        return static_cast<uint8_t>(1u << startWeekday);
    uint8_t days = 0;
    for (int i = 0; i < ICAL_BY_DAY_SIZE && r.by_day[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
        if (icalrecurrencetype_day_position(r.by_day[i]) != 0)
            return std::nullopt;
        days |= static_cast<uint8_t>(1u << (icalrecurrencetype_day_day_of_week(r.by_day[i]) - 1));
    }
    return days;
}

// "Ad 03" -> page 2.
std::optional<unsigned> AdCategory(std::string c)
{
    while (!c.empty() && std::isspace(static_cast<unsigned char>(c.front())))
        c.erase(c.begin());
    while (!c.empty() && std::isspace(static_cast<unsigned char>(c.back())))
        c.pop_back();
    if (c.size() < 4 || std::tolower(static_cast<unsigned char>(c[0])) != 'a' ||
        std::tolower(static_cast<unsigned char>(c[1])) != 'd' || c[2] != ' ')
        return std::nullopt;
    const std::string digits = c.substr(3);
    if (digits.empty() || digits.size() > 3 || !std::all_of(digits.begin(), digits.end(), ::isdigit))
        return std::nullopt;
    const int n = std::atoi(digits.c_str());
    if (n < 1)
        return std::nullopt;
    return static_cast<unsigned>(n - 1);
}

icaltimezone* ZoneOf(const std::string& zone)
{
    if (zone.empty() || zone == "UTC" || zone == "Etc/UTC")
        return icaltimezone_get_utc_timezone();
    icaltimezone* z = icaltimezone_get_builtin_timezone(zone.c_str());
    return z ? z : icaltimezone_get_utc_timezone();
}

// A time of an event as wall-clock time in the schedule's zone.
icaltimetype Local(icaltimetype t, icaltimezone* zone)
{
    if (t.zone && t.zone != zone && !t.is_date)
        return icaltime_convert_to_zone(t, zone);
    return t;
}

std::string Named(const char* summary, int index)
{
    return summary && *summary ? CoreText("EventNamed", "event \"%s\"", {summary})
                               : CoreText("EventNumber", "event %s", {std::to_string(index)});
}

} // namespace

Result ReadCalendar(const std::string& text, const std::string& zoneName, Schedule& out)
{
    if (text.size() > kMaxCalendarBytes)
        return Result::Fail(CoreText("CalendarTooLarge", "the calendar is larger than 4 MiB"));
    Result r = CheckLines(text);
    if (!r)
        return r;
    std::lock_guard<std::recursive_mutex> lock(IcalLock());
    icalerror_clear_errno();
    Component cal(icalparser_parse_string(text.c_str()));
    if (!cal || icalcomponent_isa(cal.get()) != ICAL_VCALENDAR_COMPONENT)
        return Result::Fail(CoreText("NotCalendar", "libical does not read it as a calendar"));
    icaltimezone* zone = ZoneOf(zoneName);
    std::vector<ScheduleEntry> entries;
    int index = 0;
    for (icalcomponent* ev = icalcomponent_get_first_component(cal.get(), ICAL_VEVENT_COMPONENT); ev;
         ev = icalcomponent_get_next_component(cal.get(), ICAL_VEVENT_COMPONENT)) {
        ++index;
        const char* summary = icalcomponent_get_summary(ev);
        const std::string name = Named(summary, index);
        if (icalproperty* err = icalcomponent_get_first_property(ev, ICAL_XLICERROR_PROPERTY)) {
            r.Error(name + ": " + icalproperty_get_xlicerror(err));
            continue;
        }
        ScheduleEntry e;
        e.name = summary && *summary ? summary : "Event " + std::to_string(index);
        std::set<unsigned> pages;
        for (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_CATEGORIES_PROPERTY); p;
             p = icalcomponent_get_next_property(ev, ICAL_CATEGORIES_PROPERTY)) {
            const std::string all = icalproperty_get_categories(p) ? icalproperty_get_categories(p) : "";
            size_t from = 0;
            for (;;) {
                const size_t comma = all.find(',', from);
                if (auto page = AdCategory(all.substr(from, comma - from)))
                    pages.insert(*page);
                if (comma == std::string::npos)
                    break;
                from = comma + 1;
            }
        }
        if (pages.empty()) {
            r.Warn(CoreText("EventNoAd", "%s names no Ad (a category \"Ad 01\"); it was not imported", {name}));
            continue;
        }
        e.pages.assign(pages.begin(), pages.end());
        icalproperty* startProp = icalcomponent_get_first_property(ev, ICAL_DTSTART_PROPERTY);
        if (!startProp) {
            r.Warn(CoreText("EventNoStart", "%s has no start; it was not imported", {name}));
            continue;
        }
        if (icalparameter* tz = icalproperty_get_first_parameter(startProp, ICAL_TZID_PARAMETER)) {
            const std::string tzid = icalparameter_get_tzid(tz) ? icalparameter_get_tzid(tz) : "";
            const std::string ours = icaltimezone_get_location(zone) ? icaltimezone_get_location(zone) : "UTC";
            if (tzid != ours && tzid.find(ours) == std::string::npos)
                r.Warn(CoreText("EventOtherZone", "%s is in the zone %s; its times are read as times of %s", {name, tzid, ours}));
        }
        const icaltimetype start = Local(icalcomponent_get_dtstart(ev), zone);
        icaltimetype end = Local(icalcomponent_get_dtend(ev), zone);
        const Date day{start.year, start.month, start.day};
        e.start = start.is_date ? 0 : start.hour * 60 + start.minute;
        long length = 1440;
        if (!icaltime_is_null_time(end)) {
            const long startMin = static_cast<long>(DayNumber(day)) * 1440 + e.start;
            const long endMin = static_cast<long>(DayNumber(Date{end.year, end.month, end.day})) * 1440 +
                                (end.is_date ? 0 : end.hour * 60 + end.minute);
            length = endMin - startMin;
        }
        if (length <= 0 || length > 1440) {
            r.Warn(CoreText("EventLength", "%s does not last between a minute and a day; it was not imported", {name}));
            continue;
        }
        e.end = static_cast<int>((e.start + length - 1) % 1440 + 1);
        e.first = day;
        if (icalproperty* rp = icalcomponent_get_first_property(ev, ICAL_RRULE_PROPERTY)) {
            icalrecurrencetype rec = icalproperty_get_rrule(rp);
            if (auto days = PlainDays(rec, Weekday(day))) {
                e.days = *days;
                if (!icaltime_is_null_time(rec.until)) {
                    const icaltimetype u = Local(rec.until, zone);
                    Date last{u.year, u.month, u.day};
                    if (!u.is_date && u.hour * 60 + u.minute < e.start)
                        last = FromDayNumber(DayNumber(last) - 1);
                    e.last = last;
                }
            } else {
                char* text = icalrecurrencetype_as_string_r(&rec);
                e.rule = text ? text : "";
                free(text);
            }
        } else {
            e.days = static_cast<uint8_t>(1u << Weekday(day));
            e.last = day;
        }
        if (icalcomponent_get_first_property(ev, ICAL_X_PROPERTY)) {
            for (icalproperty* x = icalcomponent_get_first_property(ev, ICAL_X_PROPERTY); x;
                 x = icalcomponent_get_next_property(ev, ICAL_X_PROPERTY))
                if (std::string(icalproperty_get_x_name(x)) == "X-LUMIVO-OPEN-START" && e.rule.empty())
                    e.first.reset();
        }
        for (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_EXDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(ev, ICAL_EXDATE_PROPERTY)) {
            const icaltimetype x = Local(icalproperty_get_exdate(p), zone);
            e.except.push_back(Date{x.year, x.month, x.day});
        }
        std::sort(e.except.begin(), e.except.end());
        e.except.erase(std::unique(e.except.begin(), e.except.end()), e.except.end());
        if (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_PRIORITY_PROPERTY)) {
            const int prio = icalproperty_get_priority(p);
            e.priority = prio >= 1 && prio <= 9 ? prio : kDefaultPriority;
        }
        const Result check = CheckEntry(e);
        if (!check) {
            for (const Message& m : check.messages())
                r.Error(name + ": " + m.text);
            continue;
        }
        entries.push_back(std::move(e));
    }
    icalerror_clear_errno();
    if (!r)
        return r;
    if (out.entries.size() + entries.size() > kMaxScheduleEntries)
        return Result::Fail(CoreText("WouldHaveEntries", "the schedule would have %s entries; at most %s are allowed",
                                     {std::to_string(out.entries.size() + entries.size()), std::to_string(kMaxScheduleEntries)}));
    out.entries.insert(out.entries.end(), entries.begin(), entries.end());
    return r;
}

namespace {

icaltimetype Wall(const Date& d, int minute, icaltimezone* zone)
{
    icaltimetype t = icaltime_null_time();
    const Date day = FromDayNumber(DayNumber(d) + minute / 1440);
    t.year = day.year;
    t.month = day.month;
    t.day = day.day;
    t.hour = (minute % 1440) / 60;
    t.minute = minute % 60;
    t.zone = zone;
    return t;
}

// A time property in the zone: TZID for a named zone, "Z" for UTC.
icalproperty* WithZone(icalproperty* p, icaltimezone* zone)
{
    if (zone != icaltimezone_get_utc_timezone())
        icalproperty_add_parameter(p, icalparameter_new_tzid(icaltimezone_get_tzid(zone)));
    return p;
}

// The first day on or after 2000-01-03 (a Monday) that is one of the days.
Date OpenStart(uint8_t days)
{
    const int monday = DayNumber(Date{2000, 1, 3});
    for (int d = 0; d < 7; ++d)
        if (days & (1u << Weekday(FromDayNumber(monday + d))))
            return FromDayNumber(monday + d);
    return FromDayNumber(monday);
}

} // namespace

std::string WriteCalendar(const Schedule& schedule, const std::string& zoneName, std::time_t stamp)
{
    std::lock_guard<std::recursive_mutex> lock(IcalLock());
    icaltimezone* zone = ZoneOf(schedule.timeZone.empty() ? zoneName : schedule.timeZone);
    icaltimezone* utc = icaltimezone_get_utc_timezone();
    Component cal(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
    icalcomponent_add_property(cal.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(cal.get(), icalproperty_new_prodid("-//Lumivo//Schedule//EN"));
    if (zone != utc)
        if (icalcomponent* tz = icaltimezone_get_component(zone))
            icalcomponent_add_component(cal.get(), icalcomponent_new_clone(tz));
    for (size_t i = 0; i < schedule.entries.size(); ++i) {
        const ScheduleEntry& e = schedule.entries[i];
        icalcomponent* ev = icalcomponent_new(ICAL_VEVENT_COMPONENT);
        icalcomponent_add_property(ev, icalproperty_new_uid(("entry-" + std::to_string(i + 1) + "@lumivo").c_str()));
        icalcomponent_add_property(ev, icalproperty_new_dtstamp(icaltime_from_timet_with_zone(stamp, 0, utc)));
        icalcomponent_add_property(ev, icalproperty_new_summary(e.name.c_str()));
        for (unsigned p : e.pages) {
            char label[16];
            std::snprintf(label, sizeof label, "Ad %02u", p + 1);
            icalcomponent_add_property(ev, icalproperty_new_categories(label));
        }
        const Date first = e.first ? *e.first : OpenStart(e.days);
        icalcomponent_add_property(ev, WithZone(icalproperty_new_dtstart(Wall(first, e.start, zone)), zone));
        icalcomponent_add_property(ev, WithZone(icalproperty_new_dtend(Wall(first, e.start + e.Length(), zone)), zone));
        icalrecurrencetype rec = icalrecurrencetype_from_string(e.RuleText().c_str());
        if (e.last && e.rule.empty()) {
            const std::time_t until = icaltime_as_timet_with_zone(Wall(*e.last, 1439, zone), zone);
            rec.until = icaltime_from_timet_with_zone(until + 59, 0, utc);
        }
        icalcomponent_add_property(ev, icalproperty_new_rrule(rec));
        for (const Date& d : e.except)
            icalcomponent_add_property(ev, WithZone(icalproperty_new_exdate(Wall(d, e.start, zone)), zone));
        icalcomponent_add_property(ev, icalproperty_new_priority(e.priority));
        if (!e.first) {
            icalproperty* x = icalproperty_new_x("TRUE");
            icalproperty_set_x_name(x, "X-LUMIVO-OPEN-START");
            icalcomponent_add_property(ev, x);
        }
        icalcomponent_add_component(cal.get(), ev);
    }
    char* text = icalcomponent_as_ical_string_r(cal.get());
    std::string out = text ? text : "";
    free(text);
    return out;
}

} // namespace lumivo
