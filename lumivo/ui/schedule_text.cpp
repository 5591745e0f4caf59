// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/schedule_text.h"

#include "ui/lumivo_view.h"
#include "ui/qt_text.h"

#include <QStringList>

namespace lumivo {

WhenWords InterfaceWhenWords()
{
    WhenWords w;
    static const char* const dayKeys[7] = {"Day0", "Day1", "Day2", "Day3", "Day4", "Day5", "Day6"};
    for (int d = 0; d < 7; ++d)
        w.days[d] = Tr("Schedule", dayKeys[d]).toStdString();
    w.daily = Tr("Schedule", "Daily").toStdString();
    w.from = Tr("Schedule", "WhenFrom").toStdString();
    w.until = Tr("Schedule", "WhenUntil").toStdString();
    w.exceptOne = Tr("Schedule", "WhenExceptOne").toStdString();
    w.exceptMany = Tr("Schedule", "WhenExceptMany").toStdString();
    w.byDefault = Tr("Schedule", "Default").toStdString();
    return w;
}

QString WhenText(const ScheduleEntry& entry) { return QString::fromStdString(DescribeWhen(entry, InterfaceWhenWords())); }

QString PageWhenText(const Schedule& schedule, unsigned page, bool usedByDefault)
{
    return QString::fromStdString(DescribePage(schedule, page, usedByDefault, InterfaceWhenWords()));
}

QString PagesText(const std::vector<unsigned>& pages)
{
    QStringList names;
    for (unsigned p : pages)
        names.append(CLumivoView::PageText(p));
    return names.join(QStringLiteral(", "));
}

QString StateText(const Schedule& schedule, const ScheduleState& state)
{
    QString shown = state.pages.empty() ? Tr("Schedule", "NothingShown") : PagesText(state.pages);
    QStringList why;
    if (state.isDefault)
        why.append(Tr("Schedule", "Default"));
    for (size_t i : state.entries)
        if (i < schedule.entries.size())
            why.append(QString::fromStdString(schedule.entries[i].name));
    return shown + QStringLiteral(" \u2014 ") + why.join(QStringLiteral(", "));
}

} // namespace lumivo
