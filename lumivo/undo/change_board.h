// SPDX-License-Identifier: GPL-2.0-or-later
// The board's size and content language changed by the user (Board
// Properties): undo puts the old values and their content library back.
#pragma once

#include "undo/doc_command.h"

#include "core/project.h"

class ChangeBoard final : public CDocCommand {
public:
    ChangeBoard(CLumivoDoc& doc, const lumivo::BoardValues& board, const QString& text);

protected:
    lumivo::Result Do() override;
    void Undo() override;

private:
    lumivo::BoardValues m_before;
    lumivo::BoardValues m_after;
};
