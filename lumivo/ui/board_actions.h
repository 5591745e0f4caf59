// SPDX-License-Identifier: GPL-2.0-or-later
// CBoardActions: the commands of the Communications and Controller panels
// (port set-up, connect, disconnect, send, controller settings, user images)
// and their enabling.
#pragma once

#include "ui/command_group.h"

class CPacket;
class QWidget;

class CBoardActions : public CCommandGroup {
    Q_OBJECT
public:
    CBoardActions(CPacket& packet, QWidget* window);

private:
    CPacket& m_packet;
};
