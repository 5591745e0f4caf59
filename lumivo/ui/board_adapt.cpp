// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/board_adapt.h"

#include "lumivo_doc.h"

CAdaptBoardCommand::CAdaptBoardCommand(CLumivoDoc& doc, const lumivo::BoardValues& board, const QString& text)
    : m_doc(doc), m_from(doc.Core().Board()), m_to(board)
{
    setText(text);
}

void CAdaptBoardCommand::redo() { Apply(m_to); }

void CAdaptBoardCommand::undo() { Apply(m_from); }

void CAdaptBoardCommand::Apply(const lumivo::BoardValues& b)
{
    m_doc.SetBoard(b.moduleRow, b.moduleColumn, b.language, b.lumivoRow, b.lumivoColumn);
}
