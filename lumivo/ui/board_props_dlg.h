// SPDX-License-Identifier: GPL-2.0-or-later
// Board Properties: the open project's board size in modules and its
// content language, changed as one undo step.
#pragma once

#include "core/project.h"

#include <QDialog>

class CLumivoDoc;
class QComboBox;
class QLabel;
class QSpinBox;

class CBoardPropsDlg : public QDialog {
    Q_OBJECT
public:
    CBoardPropsDlg(const lumivo::BoardValues& board, QWidget* parent = nullptr);
    // The values chosen; the content rows follow the module rows, the
    // column class stays the project's.
    lumivo::BoardValues Board() const;

    QSpinBox* RowsBox() const { return m_rows; }
    QSpinBox* ColumnsBox() const { return m_columns; }
    QComboBox* LanguageBox() const { return m_language; }

private:
    void ShowLeds();

    lumivo::BoardValues m_board;
    QSpinBox* m_rows;
    QSpinBox* m_columns;
    QComboBox* m_language;
    QLabel* m_leds;
};

// Runs the dialog over parent; on OK with changed values pushes one
// ChangeBoard step and names the Ads that no longer show whole.
// False when nothing changed.
bool EditBoardProperties(CLumivoDoc& doc, QWidget* parent);

// The message naming the Ads with characters the library cannot draw
// exactly and those higher than the board; empty when every Ad shows whole.
QString BoardChangeNotice(const CLumivoDoc& doc);
