// SPDX-License-Identifier: GPL-2.0-or-later
// libical keeps its zone tables and error state process-wide: every use in
// the core holds this lock (recursive: checks run inside reads).
#pragma once

#include <mutex>

namespace lumivo {

std::recursive_mutex& IcalLock();

} // namespace lumivo
