// SPDX-License-Identifier: GPL-2.0-or-later
#include "fleet_rows.h"

namespace fleet {

namespace {

// A member of an object, null when absent (a state from the wire may lack any).
json At(const json& o, const char* key)
{
    if (!o.is_object())
        return json();
    auto it = o.find(key);
    return it == o.end() ? json() : *it;
}

bool Flag(const json& o, const char* key)
{
    const json v = At(o, key);
    return v.is_boolean() && v.get<bool>();
}

double AgeSeconds(const json& s, std::time_t now)
{
    std::tm tm{};
    const json v = At(s, "publishedAt");
    const std::string at = v.is_string() ? v.get<std::string>() : "";
    if (at.size() < 19 || !strptime(at.substr(0, 19).c_str(), "%Y-%m-%dT%H:%M:%S", &tm))
        return -1;
    return std::difftime(now, timegm(&tm));
}

} // namespace

bool IsVerified(const json& s)
{
    const json verified = At(s, "verified");
    return Flag(s, "settled") && verified.is_string() && verified == At(s, "applied") && verified == At(s, "target");
}

int Progress(const json& s, const char* source, uint64_t rev)
{
    if (At(At(s, "desired"), source) != rev)
        return 0;
    return IsVerified(s) ? 2 : At(s, "applied").is_string() && Flag(s, "settled") ? 1 : 0;
}

Row RowOf(const std::string& name, const Sign& s, std::time_t now)
{
    Row r;
    r.sign = name;
    r.online = s.status == "online";
    const json& st = s.state;
    if (!st.is_object())
        return r;
    r.reported = true;
    r.boardAnswering = At(At(st, "board"), "link") == "ok";
    r.group = At(st, "group");
    r.desired = At(st, "desired");
    r.applied = At(st, "applied");
    r.verified = IsVerified(st);
    r.age = AgeSeconds(st, now);
    r.drift = Flag(st, "drift");
    r.refused = At(st, "refused");
    return r;
}

json RowJson(const Row& r)
{
    return {{"sign", r.sign},
            {"online", r.online},
            {"boardAnswering", r.boardAnswering},
            {"group", r.group},
            {"desired", r.desired},
            {"applied", r.applied},
            {"verified", r.verified},
            {"age", r.reported ? json(r.age) : json(nullptr)},
            {"drift", r.drift},
            {"refused", r.refused}};
}

} // namespace fleet
