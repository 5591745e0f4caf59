// SPDX-License-Identifier: GPL-2.0-or-later
// CScheduleDock: the Schedule view beside the Ad list. The entries in a
// list (add, edit, delete: one undo step each), the week grid, and "Show
// the board at": a date and time whose Ads the preview plays, as the board
// will show them then, through the evaluator the board service uses.
// Turned off, the preview plays the Ad list's Ad again.
#pragma once

#include "core/schedule_eval.h"

#include <qvr/records.h>

#include <QDockWidget>

#include <memory>
#include <optional>
#include <vector>

class CCommandGroup;
class CLumivoDoc;
class CMainFrame;
class CScheduleWeekGrid;
class QAction;
class QCheckBox;
class QDateTimeEdit;
class QLabel;
class QMenu;
class QTreeWidget;

namespace lumivo::cmd {
inline constexpr int kViewSchedule = 32880;
inline constexpr int kScheduleAdd = 32881;
inline constexpr int kScheduleEdit = 32882;
inline constexpr int kScheduleDelete = 32883;
inline constexpr int kScheduleShowAt = 32884;
} // namespace lumivo::cmd

class CScheduleDock : public QDockWidget {
    Q_OBJECT
public:
    CScheduleDock(CLumivoDoc& doc, CMainFrame& frame);
    ~CScheduleDock() override;

    // Docks it beside the Ad list (hidden until View ▸ Schedule asks for
    // it) and puts its commands in a submenu of `menu` before `before`;
    // their keys work anywhere in the window.
    void Install(QMenu* menu, QAction* before);
    CCommandGroup* Commands() const { return m_commands; }
    void Relabel();

    void AddEntry();
    void EditEntry();
    void DeleteEntry();
    void SetShowAt(bool on);

    QTreeWidget* EntryList() const { return m_list; }
    CScheduleWeekGrid* Week() const { return m_week; }
    QDateTimeEdit* ShowAtField() const { return m_at; }
    bool ShowsBoardAt() const;
    // What "Show the board at" plays now; none while it is off.
    std::optional<lumivo::ScheduleState> ShownState() const { return m_shown; }

private:
    // Evaluators, list, grid and state line again from the document.
    void Rebuild();
    void FillList();
    void ShowWeek();
    void PlayShownState();
    void ApplyShowAt(bool on);
    std::time_t AtInstant() const;
    std::optional<size_t> CurrentEntry() const;
    void UpdateEnabling();
    // The entry dialog over the window; `index` none for a new entry.
    void OpenEntryDialog(std::optional<size_t> index);

    CLumivoDoc& m_doc;
    CMainFrame& m_frame;
    CCommandGroup* m_commands;
    QMenu* m_menu = nullptr;
    QTreeWidget* m_list;
    CScheduleWeekGrid* m_week;
    QLabel* m_weekLabel;
    QLabel* m_problems;
    QCheckBox* m_showAt;
    QDateTimeEdit* m_at;
    QLabel* m_state;
    std::unique_ptr<lumivo::CScheduleEvaluator> m_eval;
    std::unique_ptr<lumivo::CScheduleEvaluator> m_unprioritised; // every active entry, for conflicts
    std::optional<lumivo::ScheduleState> m_shown;
    bool m_replayQueued = false;
};
