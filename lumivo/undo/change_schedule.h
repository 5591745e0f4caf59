// SPDX-License-Identifier: GPL-2.0-or-later
// The project's schedule replaced: an entry added, edited or deleted in the
// Schedule view. The whole schedule is kept before and after, so undo gives
// back exactly what was there.
#pragma once

#include "core/schedule.h"
#include "undo/doc_command.h"

class ChangeSchedule final : public CDocCommand {
public:
    ChangeSchedule(CLumivoDoc& doc, lumivo::Schedule schedule, const QString& text);

protected:
    lumivo::Result Do() override;
    void Undo() override;

private:
    lumivo::Schedule m_before;
    lumivo::Schedule m_after;
};
