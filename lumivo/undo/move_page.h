// SPDX-License-Identifier: GPL-2.0-or-later
// An Ad moved to another place in the list (Move Ad Up / Down); the
// schedule's page references follow it in the core.
#pragma once

#include "undo/doc_command.h"

class MovePage final : public CDocCommand {
public:
    MovePage(CLumivoDoc& doc, unsigned from, unsigned to, const QString& text);

protected:
    lumivo::Result Do() override;
    void Undo() override;

private:
    unsigned m_from;
    unsigned m_to;
};
