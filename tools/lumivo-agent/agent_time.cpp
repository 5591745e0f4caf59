// SPDX-License-Identifier: GPL-2.0-or-later
#include "agent_time.h"

#include <cstdio>
#include <ctime>

namespace agent {

std::string IsoTime(Ms t)
{
    if (t == 0)
        return "";
    const time_t seconds = static_cast<time_t>(t / 1000);
    struct tm utc {};
    gmtime_r(&seconds, &utc);
    char text[64]; // room for any int the fields could hold
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, int(t % 1000));
    return text;
}

bool ParseIsoTime(const std::string& text, Ms& out)
{
    if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos && text.size() <= 12) {
        out = std::stoll(text) * 1000;
        return true;
    }
    int y, mo, d, h, mi, s, used = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &y, &mo, &d, &h, &mi, &s, &used) != 6)
        return false;
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60 || y < 1970)
        return false;
    size_t at = static_cast<size_t>(used);
    int ms = 0;
    if (at < text.size() && text[at] == '.') {
        int scale = 100;
        for (++at; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, scale /= 10)
            ms += (text[at] - '0') * scale;
    }
    if (at < text.size() && text[at] == 'Z')
        ++at;
    if (at != text.size())
        return false;
    struct tm utc {};
    utc.tm_year = y - 1900;
    utc.tm_mon = mo - 1;
    utc.tm_mday = d;
    utc.tm_hour = h;
    utc.tm_min = mi;
    utc.tm_sec = s;
    out = static_cast<Ms>(timegm(&utc)) * 1000 + ms;
    return true;
}

} // namespace agent
