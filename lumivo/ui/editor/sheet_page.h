// SPDX-License-Identifier: GPL-2.0-or-later
// CQVSheetPage: one page of the Ad editor's property sheet. Each page shows
// the choices of one item kind, reports the kind it builds and builds its
// item through the project core's item builder; Load shows an existing
// item of its kind for editing.
//
// The nine pages by index: 0 Text and 1 Eng2Line (CQVSheetTextPage), 2 Image,
// 3 Movie and 4 Animation (CQVSheetContentPage), 5 Date and 6 Time
// (CQVSheetDateTimePage), 7 Temperature (CQVSheetTempPage), 8 Analog
// (CQVSheetAnalogPage).
#pragma once

#include "core/item_builder.h"
#include "core/result.h"

#include <qvr/records.h>

#include <QWidget>

class CLumivoDoc;
class QComboBox;

class CQVSheetPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPages = 9;

    CQVSheetPage(CLumivoDoc& doc, int index, QWidget* parent = nullptr);

    int Index() const { return m_index; }
    // The item kind the page builds (LUMIVO_TYPE); 12 (None) for an index without a page.
    virtual int GetItemKind() const { return lumivo::SheetPageKind(m_index); }
    // The item builder's choices as the page shows them. Fails with
    // "ErrMaxAdvt" when the page cannot supply its cells (nothing to choose).
    virtual lumivo::Result Choices(lumivo::ItemChoices& choices) = 0;
    // Builds the page's item through the item builder; its warnings (characters
    // the board cannot draw exactly) come with a successful result.
    lumivo::Result Build(CLumivo& item);
    // Shows an item of the page's kind for editing.
    virtual void Load(const CLumivo& item) = 0;
    // Said before Build: the item built is to replace `replaced` (null: a
    // new band); after it, whether the page took the item. Pages whose items
    // bring data of their own (text images) keep it only when taken.
    virtual void BuildFor(const CLumivo* replaced) { (void)replaced; }
    virtual void Placed(bool taken) { (void)taken; }
    // Texts in the selected language.
    virtual void Relabel() {}
    // The page was brought to the front: it takes the focus where typing goes.
    virtual void Activate() {}

signals:
    // A choice changed.
    void edited();

protected:
    // The result of a page with nothing to build from.
    static lumivo::Result CannotSupply();
    // The board's height in 16-dot lines.
    unsigned BoardLines() const;
    // A lines list from `first` to the board's height (at least `first`).
    QComboBox* MakeLinesList(unsigned first = 1);
    // The number chosen in a lines list; ShowLines chooses n, adding it when
    // the list lacks it (an item loaded from elsewhere keeps its height).
    static unsigned ChosenLines(const QComboBox* box);
    static void ShowLines(QComboBox* box, unsigned n);

    CLumivoDoc& m_doc;

private:
    int m_index;
};
