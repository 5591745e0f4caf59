// SPDX-License-Identifier: GPL-2.0-or-later
// The whole Ad list replaced (Ads read back from the controller).
#pragma once

#include "undo/doc_command.h"

#include "core/project.h"

class ReplaceAdList final : public CDocCommand {
public:
    ReplaceAdList(CLumivoDoc& doc, lumivo::AdPages pages, const QString& text);

protected:
    lumivo::Result Do() override;
    void Undo() override;

private:
    lumivo::AdPages m_before;
    lumivo::AdPages m_after;
};
