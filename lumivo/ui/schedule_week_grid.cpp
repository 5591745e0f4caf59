// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/schedule_week_grid.h"

#include "ui/qt_text.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStringList>
#include <QToolTip>

#include <algorithm>

using lumivo::Tr;

namespace {

constexpr int kDayLabelWidth = 40;
constexpr int kHourLabelHeight = 16;

} // namespace

CScheduleWeekGrid::CScheduleWeekGrid(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ScheduleWeek"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

QColor CScheduleWeekGrid::EntryColour(size_t entry)
{
    // Hues far apart for neighbours, the same for an entry wherever it shows.
    return QColor::fromHsv(int((entry * 137) % 360), 150, 225);
}

void CScheduleWeekGrid::Show(const lumivo::Schedule& schedule, const lumivo::CScheduleEvaluator* eval,
                             const lumivo::CScheduleEvaluator* unprioritised, const lumivo::Date& monday)
{
    m_monday = monday;
    m_names.clear();
    for (const lumivo::ScheduleEntry& e : schedule.entries)
        m_names.push_back(QString::fromStdString(e.name));
    for (int d = 0; d < 7; ++d)
        for (int s = 0; s < kSlotsPerDay; ++s) {
            Slot& slot = m_slots[size_t(d)][size_t(s)];
            slot = {};
            if (!eval)
                continue;
            // The middle of the quarter hour: a window starting on it covers it.
            const std::time_t t =
                eval->ToInstant(lumivo::FromDayNumber(lumivo::DayNumber(monday) + d), s * 15) + 7 * 60;
            const lumivo::ScheduleState state = eval->At(t);
            slot.shown = state.entries;
            slot.active = unprioritised ? unprioritised->At(t).entries.size() : state.entries.size();
        }
    update();
}

QRect CScheduleWeekGrid::GridRect() const
{
    return rect().adjusted(kDayLabelWidth, kHourLabelHeight, -2, -2);
}

void CScheduleWeekGrid::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect grid = GridRect();
    if (grid.width() <= 0 || grid.height() <= 0)
        return;
    const double slotW = grid.width() / double(kSlotsPerDay);
    const double dayH = grid.height() / 7.0;
    const QColor defaultColour = palette().color(QPalette::Mid);
    p.setPen(palette().color(QPalette::WindowText));
    for (int h = 0; h < 24; h += 3)
        p.drawText(QRectF(grid.left() + h * 4 * slotW, 0, 4 * 3 * slotW, kHourLabelHeight),
                   Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("%1").arg(h, 2, 10, QLatin1Char('0')));
    static const char* const dayKeys[7] = {"Day1", "Day2", "Day3", "Day4", "Day5", "Day6", "Day0"};
    for (int d = 0; d < 7; ++d) {
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(QRectF(0, grid.top() + d * dayH, kDayLabelWidth - 4, dayH), Qt::AlignRight | Qt::AlignVCenter,
                   Tr("Schedule", dayKeys[d]));
        for (int s = 0; s < kSlotsPerDay; ++s) {
            const Slot& slot = m_slots[size_t(d)][size_t(s)];
            const QRectF cell(grid.left() + s * slotW, grid.top() + d * dayH, slotW + 0.5, dayH);
            if (slot.shown.empty()) {
                p.fillRect(cell, defaultColour);
            } else {
                // Entries shown together (same priority) share the cell in bands.
                const double bandH = dayH / double(slot.shown.size());
                for (size_t i = 0; i < slot.shown.size(); ++i)
                    p.fillRect(QRectF(cell.left(), cell.top() + double(i) * bandH, cell.width(), bandH + 0.5),
                               EntryColour(slot.shown[i]));
            }
        }
        // Conflicts: a red line under every quarter hour where entries overlap.
        for (int s = 0; s < kSlotsPerDay; ++s)
            if (m_slots[size_t(d)][size_t(s)].active > 1)
                p.fillRect(QRectF(grid.left() + s * slotW, grid.top() + (d + 1) * dayH - 3, slotW + 0.5, 3),
                           QColor(200, 0, 30));
    }
    p.setPen(palette().color(QPalette::Dark));
    for (int h = 0; h <= 24; ++h)
        p.drawLine(QPointF(grid.left() + h * 4 * slotW, grid.top()), QPointF(grid.left() + h * 4 * slotW, grid.bottom()));
    for (int d = 0; d <= 7; ++d)
        p.drawLine(QPointF(grid.left(), grid.top() + d * dayH), QPointF(grid.right(), grid.top() + d * dayH));
}

bool CScheduleWeekGrid::event(QEvent* e)
{
    if (e->type() != QEvent::ToolTip)
        return QWidget::event(e);
    auto* help = static_cast<QHelpEvent*>(e);
    const QRect grid = GridRect();
    if (!grid.contains(help->pos())) {
        QToolTip::hideText();
        return true;
    }
    const int s = std::min(kSlotsPerDay - 1, int((help->pos().x() - grid.left()) * kSlotsPerDay / grid.width()));
    const int d = std::min(6, (help->pos().y() - grid.top()) * 7 / grid.height());
    const Slot& slot = m_slots[size_t(d)][size_t(s)];
    QStringList names;
    for (size_t i : slot.shown)
        if (i < m_names.size())
            names.append(m_names[i]);
    QString text = QString::fromStdString(lumivo::FormatDate(lumivo::FromDayNumber(lumivo::DayNumber(m_monday) + d))) +
                   QStringLiteral(" ") + QString::fromStdString(lumivo::FormatMinute(s * 15)) + QStringLiteral(": ") +
                   (names.isEmpty() ? Tr("Schedule", "Default") : names.join(QStringLiteral(", ")));
    if (slot.active > 1)
        text += QStringLiteral("\n") + Tr("Schedule", "Conflict");
    QToolTip::showText(help->globalPos(), text, this);
    return true;
}
