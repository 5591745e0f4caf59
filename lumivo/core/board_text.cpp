// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/board_text.h"

#include <common/globalization.h>
#include <common/text.h>

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <sys/stat.h>

namespace lumivo {

std::string BoardText(const char* key, const char* english, std::initializer_list<std::string> args)
{
    return SectionText("Board", key, english, args);
}

std::string SectionText(const char* section, const char* key, const char* english,
                        std::initializer_list<std::string> args)
{
    std::string text = common::Utf16ToUtf8(CGlobalization::GetText(std::string_view(section), std::string_view(key)));
    if (text.empty())
        text = english;
    std::string out;
    auto next = args.begin();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size()) {
            if (text[i + 1] == '%') {
                out += '%';
                ++i;
                continue;
            }
            if (text[i + 1] == 's' && next != args.end()) {
                out += *next++;
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::string OpenErrorText(const std::string& device, long error)
{
    switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
        return BoardText("PortMissing",
                         "The serial device %s does not exist. Plug the adapter in, or choose another port in the "
                         "serial set-up.",
                         {device});
    case EBUSY:
        return BoardText("PortBusy",
                         "The serial device %s is in use by another program. Close that program, then connect again.",
                         {device});
    case EACCES:
    case EPERM: {
        std::string owner = "dialout";
        struct stat st {};
        if (::stat(device.c_str(), &st) == 0)
            if (const struct group* g = ::getgrgid(st.st_gid); g && g->gr_name && *g->gr_name)
                owner = g->gr_name;
        return BoardText("PortDenied",
                         "You may not open the serial device %s: it belongs to the group %s. Join that group "
                         "(sudo usermod -aG %s $USER), then log out and in again.",
                         {device, owner, owner});
    }
    default:
        return BoardText("PortFailed", "The serial device %s cannot be opened: %s.",
                         {device, std::strerror(static_cast<int>(error))});
    }
}

std::string DeviceLostText(const std::string& device)
{
    return BoardText("DeviceLost",
                     "The connection to the board was lost: the serial device %s went away. The project is unchanged.",
                     {device});
}

} // namespace lumivo
