// SPDX-License-Identifier: GPL-2.0-or-later
// The dialog of one schedule entry: its name, Ads, daily window, days, date
// range, exception dates and priority. Every field has a mnemonic and the
// tab order runs top to bottom; Return is OK and Escape Cancel. OK stays
// open, with the reason below the fields, while the entry cannot be used.
#pragma once

#include "core/schedule.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;
class QTimeEdit;

class CScheduleEntryDlg : public QDialog {
    Q_OBJECT
public:
    // pageCount: the project's Ads to choose from.
    CScheduleEntryDlg(const lumivo::ScheduleEntry& entry, unsigned pageCount, QWidget* parent = nullptr);

    // The entry as the fields give it; none (with the reason shown) when
    // it cannot be used.
    std::optional<lumivo::ScheduleEntry> Entry();
    // The reason OK was refused, "" when none.
    QString Problem() const;

    void accept() override;

private:
    lumivo::ScheduleEntry m_entry; // what the fields do not show (an imported rule)
    QLineEdit* m_name;
    QListWidget* m_ads;
    QTimeEdit* m_start;
    QTimeEdit* m_end;
    QCheckBox* m_days[7];
    QCheckBox* m_hasFirst;
    QDateEdit* m_first;
    QCheckBox* m_hasLast;
    QDateEdit* m_last;
    QLineEdit* m_except;
    QSpinBox* m_priority;
    QLabel* m_problem;
};
