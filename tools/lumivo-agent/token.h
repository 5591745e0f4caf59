// SPDX-License-Identifier: GPL-2.0-or-later
// The API's bearer token: read from its file, or made (32 random bytes, as
// 64 hexadecimal digits) into a new file of mode 0600 when there is none.
#pragma once

#include "core/result.h"

#include <string>

namespace agent {

lumivo::Result LoadOrCreateToken(const std::string& path, std::string& token);

} // namespace agent
