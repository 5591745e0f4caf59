// SPDX-License-Identifier: GPL-2.0-or-later
// A small JSON writer for the tool's machine-readable output.
#pragma once

#include <string>
#include <string_view>

namespace cli {

// text as a JSON string literal (UTF-8 in, UTF-8 out).
inline std::string JsonString(std::string_view text)
{
    std::string out = "\"";
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                static const char hex[] = "0123456789abcdef";
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 15];
            } else {
                out += ch;
            }
        }
    }
    return out + "\"";
}

} // namespace cli
