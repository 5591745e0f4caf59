// SPDX-License-Identifier: GPL-2.0-or-later
// A project from outside (HTTP body, MQTT desired state) read whole before it
// is kept, so a damaged file never reaches the board.
#pragma once

#include "core/project.h"

#include <cstddef>
#include <cstdint>

namespace agent {

// Loads bytes into probe (made without a content library). Fails when the
// reader refuses the file, and also when it had to repair it: a cut file
// loses its last Ads, and from a remote sender a repaired file is a damaged one.
lumivo::Result CheckProject(lumivo::CProjectCore& probe, const uint8_t* bytes, size_t size);

} // namespace agent
