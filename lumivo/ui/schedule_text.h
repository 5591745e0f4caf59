// SPDX-License-Identifier: GPL-2.0-or-later
// The schedule's descriptions in the interface language: the Ad list's
// "Shown" column, the Schedule view's entries and state line.
#pragma once

#include "core/schedule.h"
#include "core/schedule_eval.h"

#include <QString>

namespace lumivo {

WhenWords InterfaceWhenWords();
// "Mon–Fri 06:00–11:00".
QString WhenText(const ScheduleEntry& entry);
// When a page shows: its entries' windows, "default" where its Uses box plays.
QString PageWhenText(const Schedule& schedule, unsigned page, bool usedByDefault);
// "Ad 01, Ad 03".
QString PagesText(const std::vector<unsigned>& pages);
// What a state shows: "Ad 01, Ad 03 — Breakfast" or "Ad 02 — default".
QString StateText(const Schedule& schedule, const ScheduleState& state);

} // namespace lumivo
