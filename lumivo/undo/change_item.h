// SPDX-License-Identifier: GPL-2.0-or-later
// One item of the Ad list changed (its effects, ...): the old and the new
// item swap places.
#pragma once

#include "undo/doc_command.h"

#include <qvr/records.h>

#include <cstddef>

class ChangeItem final : public CDocCommand {
public:
    ChangeItem(CLumivoDoc& doc, size_t entry, const CLumivo& item, const QString& text);

protected:
    lumivo::Result Do() override;
    void Undo() override;

private:
    size_t m_entry;
    CLumivo m_before;
    CLumivo m_after;
};
