// SPDX-License-Identifier: GPL-2.0-or-later
// The project's user images replaced (the user image dialog's OK and Send,
// images read back from the controller).
#pragma once

#include "undo/doc_command.h"

#include <qvr/rgx.h>

#include <vector>

class ChangeUserImages final : public CDocCommand {
public:
    ChangeUserImages(CLumivoDoc& doc, std::vector<CRGX<8192>> images, const QString& text);

protected:
    lumivo::Result Do() override;
    void Undo() override;

private:
    std::vector<CRGX<8192>> m_before;
    std::vector<CRGX<8192>> m_after;
};
