// SPDX-License-Identifier: GPL-2.0-or-later
#include "undo/change_board.h"

#include "lumivo_doc.h"

ChangeBoard::ChangeBoard(CLumivoDoc& doc, const lumivo::BoardValues& board, const QString& text)
    : CDocCommand(doc, text), m_before(doc.Core().Board()), m_after(board)
{
}

lumivo::Result ChangeBoard::Do() { return m_doc.ApplyBoard(m_after); }

void ChangeBoard::Undo() { m_doc.ApplyBoard(m_before); }
