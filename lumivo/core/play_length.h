// SPDX-License-Identifier: GPL-2.0-or-later
// How long an Ad plays before the board moves on to the next: until every
// item that runs through start, wait and end effects has finished its end
// effect once, played on virtual time by the preview's own player.
#pragma once

#include <qvr/records.h>

#include <common/platform.h>

#include <cstdint>
#include <vector>

class CContent;

namespace lumivo {

// The play length in milliseconds of an Ad of these items on a board of
// columns x rows modules, its clock starting at start (live dates and
// clocks). 0 when no item ever ends (only pictures and clocks, or start
// effects that loop); limitMs when the Ad plays longer than that.
uint64_t AdPlayLengthMs(CContent& content, unsigned columns, unsigned rows, const std::vector<CLumivo>& items,
                        const SYSTEMTIME& start, uint64_t limitMs);

} // namespace lumivo
