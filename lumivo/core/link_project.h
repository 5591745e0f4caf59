// SPDX-License-Identifier: GPL-2.0-or-later
// The content loader of a project the board link uses: the link packs and
// reads Ads but never draws them, so no content library is loaded (and
// none is missed), which keeps its start fast.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace lumivo {

struct NoContentLibrary {
    std::optional<std::vector<uint8_t>> operator()(int) const { return std::nullopt; }
};

} // namespace lumivo
