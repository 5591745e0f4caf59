// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/editor/sheet_page.h"

#include "core/item_text.h"
#include "lumivo_doc.h"
#include "ui/editor/choice_lists.h"

#include <common/text.h>

#include <QComboBox>

#include <algorithm>

CQVSheetPage::CQVSheetPage(CLumivoDoc& doc, int index, QWidget* parent) : QWidget(parent), m_doc(doc), m_index(index)
{
}

lumivo::Result CQVSheetPage::Build(CLumivo& item)
{
    lumivo::ItemChoices choices;
    lumivo::Result r = Choices(choices);
    if (!r)
        return r;
    choices.type = GetItemKind();
    r.Append(lumivo::BuildItem(choices, item, &m_doc.Core().Content()));
    return r;
}

lumivo::Result CQVSheetPage::CannotSupply()
{
    return lumivo::Result::Fail(common::Utf16ToUtf8(lumivo::LangText("Error", "ErrMaxAdvt")));
}

unsigned CQVSheetPage::BoardLines() const { return m_doc.ModuleRows(); }

QComboBox* CQVSheetPage::MakeLinesList(unsigned first)
{
    auto* box = new QComboBox(this);
    lumivo::FillLinesList(box, first, std::clamp(BoardLines(), first, 7u));
    connect(box, &QComboBox::currentIndexChanged, this, &CQVSheetPage::edited);
    return box;
}

unsigned CQVSheetPage::ChosenLines(const QComboBox* box) { return box->currentData().toUInt(); }

void CQVSheetPage::ShowLines(QComboBox* box, unsigned n)
{
    int i = box->findData(n);
    if (i < 0) {
        box->addItem(QString::number(n), n);
        i = box->count() - 1;
    }
    box->setCurrentIndex(i);
}
