// SPDX-License-Identifier: GPL-2.0-or-later
#include "undo/change_schedule.h"

#include "lumivo_doc.h"

ChangeSchedule::ChangeSchedule(CLumivoDoc& doc, lumivo::Schedule schedule, const QString& text)
    : CDocCommand(doc, text), m_before(doc.Core().GetSchedule()), m_after(std::move(schedule))
{
}

lumivo::Result ChangeSchedule::Do() { return m_doc.ApplySchedule(m_after); }

void ChangeSchedule::Undo() { m_doc.ApplySchedule(m_before); }
