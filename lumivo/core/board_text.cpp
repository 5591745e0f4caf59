// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/board_text.h"

#include <common/globalization.h>
#include <common/text.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <grp.h>
#include <pwd.h>
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

std::string PermissionAdvice(const std::string& device)
{
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0)
        return BoardText("PortDeniedUnknown", "You may not open the serial device %s.", {device});
    const struct group* g = ::getgrgid(st.st_gid);
    const std::string group = g && g->gr_name ? g->gr_name : std::to_string(st.st_gid);
    // Joining the group helps only when the group may read and write the
    // device; root's group is no group to join.
    if (st.st_gid != 0 && (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP))
        return BoardText("PortDenied",
                         "You may not open the serial device %s: it belongs to the group %s. Join that group "
                         "(sudo usermod -aG %s $USER), then log out and in again.",
                         {device, group, group});
    const struct passwd* u = ::getpwuid(st.st_uid);
    const std::string owner = u && u->pw_name ? u->pw_name : std::to_string(st.st_uid);
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", unsigned(st.st_mode & 07777));
    const bool ownerMay = (st.st_mode & (S_IRUSR | S_IWUSR)) == (S_IRUSR | S_IWUSR) && st.st_uid != 0;
    const std::string who = ownerMay ? BoardText("PortOnlyUser", "only the user %s and root", {owner})
                                     : BoardText("PortOnlyRoot", "only root");
    std::string kernel = device.substr(device.find_last_of('/') + 1);
    if (char real[4096]; ::realpath(device.c_str(), real))
        kernel = std::string(real).substr(std::string(real).find_last_of('/') + 1);
    const std::string rule = "SUBSYSTEM==\"tty\", KERNEL==\"" + kernel + "\", GROUP=\"dialout\", MODE=\"0660\"";
    return BoardText("PortDeniedRule",
                     "You may not open the serial device %s (%s, mode %s): %s may open it. To let the group dialout "
                     "use it, put this line into /etc/udev/rules.d/70-lumivo-serial.rules as root, plug the adapter "
                     "in again, and join dialout (sudo usermod -aG dialout $USER):\n%s",
                     {device, owner + ":" + group, mode, who, rule});
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
    case EPERM:
        return PermissionAdvice(device);
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
