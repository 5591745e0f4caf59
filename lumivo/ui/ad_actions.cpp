// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/ad_actions.h"

#include "commands.h"

CAdActions::CAdActions(CLumivoDoc& doc, QObject* parent) : CCommandGroup(parent), m_doc(doc)
{
    using namespace lumivo;
    for (auto [c, key] : {std::pair{cmd::kAdvtAdd, "rbAdvtAdd"}, {cmd::kAdvtEdit, "rbAdvtEdit"},
                          {cmd::kAdvtCopy, "rbAdvtCopy"}, {cmd::kAdvtDelete, "rbAdvtDelete"}})
        MakeAction(c, "rbHome", key, false);
}
