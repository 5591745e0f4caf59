// SPDX-License-Identifier: GPL-2.0-or-later
// The board link's own messages: looked up in section "Board" of the
// language tables, with an English fallback, and filled in safely.
#pragma once

#include <initializer_list>
#include <string>

namespace lumivo {

// The text of key in section "Board" (english when the language file has
// none), each "%s" replaced by the next argument, "%%" by "%"; UTF-8. A
// "%s" beyond the arguments stays as it is.
std::string BoardText(const char* key, const char* english, std::initializer_list<std::string> args = {});
// The same for a key of any section.
std::string SectionText(const char* section, const char* key, const char* english,
                        std::initializer_list<std::string> args = {});

// Why a serial device did not open, in words the user can act on: missing,
// in use by another program, or refused for permissions (naming the group
// that owns the device and how to join it).
std::string OpenErrorText(const std::string& device, long error);

// Why the user may not open device and what helps: joining the device's
// group when that group may read and write it (and is not root's),
// otherwise who may open it and a udev rule to copy.
std::string PermissionAdvice(const std::string& device);

// The device of a connection went away (an adapter pulled out).
std::string DeviceLostText(const std::string& device);

} // namespace lumivo
