// SPDX-License-Identifier: GPL-2.0-or-later
// A page's items replaced by others (the Ad editor's OK on an existing page,
// the Uses check box); undo puts the old items back byte for byte.
#pragma once

#include "undo/doc_command.h"

#include <qvr/records.h>

#include <vector>

class ReplacePage : public CDocCommand {
public:
    ReplacePage(CLumivoDoc& doc, unsigned page, std::vector<CLumivo> items, const QString& text);

protected:
    lumivo::Result Do() override;
    void Undo() override;

    unsigned m_page;
    std::vector<CLumivo> m_before;
    std::vector<CLumivo> m_after;
};

// The Uses check box: every item of the page stores skip = !used.
class SetPageUsed final : public ReplacePage {
public:
    SetPageUsed(CLumivoDoc& doc, unsigned page, bool used, const QString& text);

protected:
    lumivo::Result Do() override;

private:
    bool m_used;
};
