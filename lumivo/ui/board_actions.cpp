// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/board_actions.h"

#include "commands.h"

#include <serio/packet.h>

#include <QAction>
#include <QStyle>
#include <QWidget>

CBoardActions::CBoardActions(CPacket& packet, QWidget* window) : CCommandGroup(window), m_packet(packet)
{
    using namespace lumivo;
    auto* commSetup = MakeAction(cmd::kCommSetup, "rbHome", "rbCommSetup");
    commSetup->setIcon(window->style()->standardIcon(QStyle::SP_ComputerIcon));
    for (auto [c, key] : {std::pair{cmd::kCommConnect, "rbCommConnect"}, {cmd::kCommDisconnect, "rbCommDisconnect"},
                          {cmd::kCommSend, "rbCommSend"}})
        MakeAction(c, "rbHome", key, false);
    MakeAction(cmd::kCtrlSetup, "rbHome", "rbCtrlSetup", false);
    MakeAction(cmd::kCtrlUserImage, "rbHome", "rbCtrlUserImage", false);

    connect(commSetup, &QAction::triggered, this, [this] {
        if (m_packet.SerialSetup(0))
            m_packet.SaveSettings();
    });
}
