// SPDX-License-Identifier: GPL-2.0-or-later
// CQVSheetFormatPage: what the pages of live items share (Date, Time and
// Temperature): the list of formats, each shown with its text drawn as the
// board shows it now (refreshed every second while the page is shown), the
// fit-to-board box and the lines list. The item's cells are the chosen
// format's text of the moment (a loaded item keeps its own while its format
// stays, so an unchanged item is rebuilt unchanged); the board rewrites them
// as it plays.
#pragma once

#include "ui/editor/sheet_page.h"

#include <QBasicTimer>

#include <optional>
#include <string>
#include <utility>

class QCheckBox;
class QLabel;
class QListWidget;

class CQVSheetFormatPage : public CQVSheetPage {
    Q_OBJECT
public:
    CQVSheetFormatPage(CLumivoDoc& doc, int index, unsigned formats, QWidget* parent = nullptr);

    lumivo::Result Choices(lumivo::ItemChoices& choices) override;
    void Load(const CLumivo& item) override;
    void Relabel() override;
    void Activate() override;

    QListWidget* Formats() const { return m_formats; }
    QCheckBox* FitBox() const { return m_fit; }
    QComboBox* LinesList() const { return m_lines; }
    // Redraws every format's sample with the text of the moment.
    void Refresh();

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    QLabel* m_label[2];
    QListWidget* m_formats;
    QCheckBox* m_fit;
    QComboBox* m_lines;
    QBasicTimer m_timer;
    // The loaded item's format and text, while it can be given back.
    std::optional<std::pair<unsigned, std::u16string>> m_loadedText;
};

// The Date (index 5) and Time (index 6) page.
class CQVSheetDateTimePage : public CQVSheetFormatPage {
    Q_OBJECT
public:
    CQVSheetDateTimePage(CLumivoDoc& doc, int index, QWidget* parent = nullptr);
};

// The Temperature page (index 7): Celsius or Fahrenheit.
class CQVSheetTempPage : public CQVSheetFormatPage {
    Q_OBJECT
public:
    CQVSheetTempPage(CLumivoDoc& doc, QWidget* parent = nullptr);
};
