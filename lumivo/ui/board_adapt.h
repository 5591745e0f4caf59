// SPDX-License-Identifier: GPL-2.0-or-later
// The project's board changed to the connected board's, as one undo step.
#pragma once

#include "core/project.h"

#include <QUndoCommand>

class CLumivoDoc;

class CAdaptBoardCommand final : public QUndoCommand {
public:
    CAdaptBoardCommand(CLumivoDoc& doc, const lumivo::BoardValues& board, const QString& text);
    void redo() override;
    void undo() override;

private:
    void Apply(const lumivo::BoardValues& board);

    CLumivoDoc& m_doc;
    lumivo::BoardValues m_from;
    lumivo::BoardValues m_to;
};
