// SPDX-License-Identifier: GPL-2.0-or-later
// The Schedule view's week: seven days (Monday first) by 24 hours, each
// quarter hour coloured by the entries that show then, grey where the
// default set plays, and outlined in red where entries overlap (a conflict
// that priorities or a union decide). The slots come from the evaluator,
// so rules, date ranges, exceptions and clock changes show as they play.
#pragma once

#include "core/schedule_eval.h"

#include <QWidget>

#include <array>
#include <vector>

class CScheduleWeekGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSlotsPerDay = 96; // quarter hours

    struct Slot {
        std::vector<size_t> shown; // the entries whose Ads show (empty: the default set)
        size_t active = 0;         // entries whose window covers it, before priorities
    };

    explicit CScheduleWeekGrid(QWidget* parent = nullptr);

    // The week from `monday` (local, the schedule's zone). eval null: an
    // empty week.
    void Show(const lumivo::Schedule& schedule, const lumivo::CScheduleEvaluator* eval,
              const lumivo::CScheduleEvaluator* unprioritised, const lumivo::Date& monday);
    // day 0 is Monday.
    const Slot& SlotAt(int day, int slot) const { return m_slots[size_t(day)][size_t(slot)]; }
    const lumivo::Date& Monday() const { return m_monday; }
    // The colour an entry has in the grid and in the entry list.
    static QColor EntryColour(size_t entry);
    void Relabel() { update(); }

    QSize sizeHint() const override { return {520, 190}; }
    QSize minimumSizeHint() const override { return {300, 140}; }

protected:
    void paintEvent(QPaintEvent*) override;
    bool event(QEvent* e) override;

private:
    QRect GridRect() const;
    std::array<std::array<Slot, kSlotsPerDay>, 7> m_slots;
    std::vector<QString> m_names;
    lumivo::Date m_monday;
};
