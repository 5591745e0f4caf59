// SPDX-License-Identifier: GPL-2.0-or-later
// CQVSheetAnalogPage: the Analog clock page (index 8). The style list (the
// clock's colour schemes; the item keeps the 1-based entry in its option
// byte and the scheme in its first cell, which the board draws by) and the
// size list (2 to 4 lines, as far as the board is high), with a preview of
// the running clock on a board as many module rows high as the chosen size.
#pragma once

#include "ui/editor/sheet_page.h"

class CLumivoViewer;
class QLabel;

class CQVSheetAnalogPage : public CQVSheetPage {
    Q_OBJECT
public:
    static constexpr unsigned kStyles = 3;
    static constexpr unsigned kFirstSize = 2;
    static constexpr unsigned kLastSize = 4;

    CQVSheetAnalogPage(CLumivoDoc& doc, QWidget* parent = nullptr);

    lumivo::Result Choices(lumivo::ItemChoices& choices) override;
    void Load(const CLumivo& item) override;
    void Relabel() override;
    void Activate() override;

    QComboBox* StyleList() const { return m_style; }
    QComboBox* SizeList() const { return m_size; }
    CLumivoViewer* Viewer() const { return m_viewer; }

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    // The clock as chosen, played on the page's own viewer.
    void Show();

    QLabel* m_label[2];
    QComboBox* m_style;
    QComboBox* m_size;
    CLumivoViewer* m_viewer;
};
