// SPDX-License-Identifier: GPL-2.0-or-later
// The render path of lumivo-cli render, shared with schedule render: items
// played as the preview plays them, on virtual time, written as --out says.
#pragma once

#include "cli.h"

#include <common/platform.h>
#include <qvr/records.h>

#include <string>
#include <vector>

namespace cli {

// What --out, --seconds, --zoom, --fps and --dots say.
struct RenderOutput {
    enum class Kind { Gif, Png, Folder };
    std::string out;
    Kind kind = Kind::Gif;
    double seconds = 10;
    int zoom = 4;
    unsigned fps = 50;
    bool dots = false;
};
std::vector<Option> RenderOutputOptions();
// Reads them; a usage error names the wrong one (before any file is read).
RenderOutput ReadRenderOutput(const Args& args);
// Plays the items from the local time `start` (clocks and dates follow it)
// and writes them; `what` names them in the line printed ("page 2").
int RenderItems(const RenderOutput& output, lumivo::CProjectCore& project, const std::vector<CLumivo>& items,
                const SYSTEMTIME& start, const std::string& what);

} // namespace cli
