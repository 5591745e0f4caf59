// SPDX-License-Identifier: GPL-2.0-or-later
// The program's port set-up: the serial set-up and port dialogs with one
// entry more, "Simulated board", and (in the full set-up) the size and
// language of that board, kept under "Simulated Board".
#pragma once

#include "core/project.h"

#include <serio/serial_ex.h>

#include <QPointer>
#include <QWidget>

#include <functional>

class CBoardSetupUi final : public serio::ISerialSetupUi {
public:
    // board: the current project's board, the simulated board's defaults.
    CBoardSetupUi(QWidget* parent, std::function<lumivo::BoardValues()> board)
        : m_parent(parent), m_board(std::move(board))
    {
    }
    bool EditSerialSettings(serio::SerialSettings& settings, bool portOnly) override;

private:
    QPointer<QWidget> m_parent;
    std::function<lumivo::BoardValues()> m_board;
};
