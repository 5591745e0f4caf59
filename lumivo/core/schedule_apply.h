// SPDX-License-Identifier: GPL-2.0-or-later
// Bringing a board to a schedule's state. The controller has no clock rules
// for Ads: its only lever is each item's skip byte (the Uses box), so a
// state is applied by setting the Uses boxes and sending the Ads. A send
// happens only when the board holds other Ads: what it holds is read back
// at the connection (not a hash of what was sent last), so a board that was
// reset, replaced or changed by another program is brought back too.
#pragma once

#include "core/board_session.h"
#include "core/project.h"
#include "core/schedule_eval.h"

#include <string>
#include <vector>

namespace lumivo {

// Sets every page's Uses box: checked exactly for the state's pages.
Result ApplyStateToProject(CProjectCore& project, const ScheduleState& state);

// What the board plays in a state: the items of its pages one after the
// other, each with its Uses byte set (the state decides it, not the file).
std::vector<CLumivo> StateItems(const CProjectCore& project, const ScheduleState& state);

// Whether two Ad blobs hold the same Ads, item by item (the bytes of every
// item and the page layout); false when either cannot be read.
bool SameAds(const std::vector<BYTE>& a, const std::vector<BYTE>& b);

enum class ApplyOutcome {
    Sent,       // the board held other Ads: the project's were sent
    AlreadyHeld, // the board held these Ads already: nothing sent
    Failed,     // see ApplyReport::error
};

struct ApplyReport {
    ApplyOutcome outcome = ApplyOutcome::Failed;
    std::string error;
};

// Sets the project's Uses boxes to the state, connects (which sets the
// board's clock and reads back the Ads it holds; the ui must answer the
// stored-Ads question with Yes), sends when the board holds other Ads, and
// disconnects. The project's board values follow the board's as in any
// connection; its Ads are never replaced by the board's.
ApplyReport ApplyStateToBoard(CBoardSession& session, CProjectCore& project, const ScheduleState& state);

} // namespace lumivo
