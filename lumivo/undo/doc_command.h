// SPDX-License-Identifier: GPL-2.0-or-later
// The base of every undo command of the document. A command is applied once
// by CLumivoDoc before it goes on the stack (so a change the core refuses is
// never pushed); the stack's first redo() then does nothing, later ones
// apply it again.
#pragma once

#include "core/result.h"

#include <QUndoCommand>

class CLumivoDoc;

class CDocCommand : public QUndoCommand {
public:
    // Applies the change; on failure nothing changed.
    lumivo::Result Apply()
    {
        lumivo::Result r = Do();
        m_applied = r.ok();
        return r;
    }
    void redo() final
    {
        if (m_applied) {
            m_applied = false; // pushed after Apply(): already done
            return;
        }
        Do();
    }
    void undo() final { Undo(); }

protected:
    CDocCommand(CLumivoDoc& doc, const QString& text) : m_doc(doc) { setText(text); }
    virtual lumivo::Result Do() = 0;
    virtual void Undo() = 0;

    CLumivoDoc& m_doc;

private:
    bool m_applied = false;
};
