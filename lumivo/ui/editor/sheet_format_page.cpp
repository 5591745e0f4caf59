// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/editor/sheet_format_page.h"

#include "core/item_builder.h"
#include "core/item_text.h"
#include "lumivo_doc.h"
#include "ui/editor/choice_lists.h"
#include "ui/editor/glyph_image.h"
#include "ui/qt_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <cctype>

CQVSheetFormatPage::CQVSheetFormatPage(CLumivoDoc& doc, int index, unsigned formats, QWidget* parent)
    : CQVSheetPage(doc, index, parent)
{
    m_formats = new QListWidget(this);
    m_formats->setIconSize(QSize(240, 32));
    for (unsigned f = 0; f < formats; ++f)
        new QListWidgetItem(m_formats);
    m_formats->setCurrentRow(0);
    m_fit = new QCheckBox(this);
    m_lines = MakeLinesList();
    m_label[0] = new QLabel(this);
    m_label[0]->setBuddy(m_formats);
    m_label[1] = new QLabel(this);
    m_label[1]->setBuddy(m_lines);
    auto* form = new QFormLayout;
    form->addRow(m_label[1], m_lines);
    form->addRow(m_fit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label[0]);
    layout->addWidget(m_formats, 1);
    layout->addLayout(form);
    connect(m_formats, &QListWidget::currentRowChanged, this, &CQVSheetPage::edited);
    connect(m_fit, &QCheckBox::toggled, this, &CQVSheetPage::edited);
    setFocusProxy(m_formats);
    Relabel();
}

void CQVSheetFormatPage::Relabel()
{
    m_label[0]->setText(lumivo::Tr("TextDialog", "Format"));
    m_label[1]->setText(lumivo::Tr("TextDialog", "Row"));
    m_fit->setText(lumivo::Tr("TextDialog", "Fit"));
    m_fit->setToolTip(lumivo::Tip("TipFit", {}));
    m_formats->setToolTip(lumivo::Tip("TipFormat", {}));
    Refresh();
}

void CQVSheetFormatPage::Activate() { m_formats->setFocus(Qt::OtherFocusReason); }

void CQVSheetFormatPage::Refresh()
{
    const int type = GetItemKind();
    CContent* content = m_doc.BorrowContent();
    for (int f = 0; f < m_formats->count(); ++f) {
        const std::u16string text = lumivo::LiveText(type, unsigned(f), content);
        // Letters of dates and times are drawn two steps wide, as the board does.
        std::vector<CLumiChar> cells = lumivo::SampleCells(text, QVXF());
        if (type != LUMIVO_TEMPERATURE)
            for (CLumiChar& c : cells)
                c.attr.widthIndex = c.code <= 255 && std::isalpha(c.code) ? 2 : 1;
        CLumivo item;
        item.type = static_cast<uint8_t>(type);
        item.format = static_cast<uint8_t>(f);
        for (size_t i = 0; i < cells.size() && i < size_t(CLumivo::kCells); ++i)
            item.chars[i] = cells[i];
        QListWidgetItem* row = m_formats->item(f);
        row->setText(lumivo::FromU16(type == LUMIVO_TEMPERATURE ? text : lumivo::ItemTitle(item, m_doc.Core().KoreanLibrary())));
        row->setIcon(QIcon(lumivo::Magnified(lumivo::CellsImage(m_doc.Core().Content(), cells, 0, 16), 2)));
    }
}

lumivo::Result CQVSheetFormatPage::Choices(lumivo::ItemChoices& choices)
{
    if (m_formats->currentRow() < 0)
        return CannotSupply();
    choices.format = unsigned(m_formats->currentRow());
    choices.text = m_loadedText && m_loadedText->first == choices.format
                       ? m_loadedText->second
                       : lumivo::LiveText(GetItemKind(), choices.format, m_doc.BorrowContent());
    choices.fit = m_fit->isChecked();
    choices.lines = ChosenLines(m_lines);
    return {};
}

void CQVSheetFormatPage::Load(const CLumivo& item)
{
    std::u16string text = lumivo::StoredText(item);
    // Only a text the builder takes back as it is (one line).
    m_loadedText.reset();
    if (item.type == GetItemKind() && text.find(u'\n') == std::u16string::npos)
        m_loadedText.emplace(item.format, std::move(text));
    if (item.format < m_formats->count())
        m_formats->setCurrentRow(item.format);
    m_fit->setChecked(item.fit != 0);
    ShowLines(m_lines, lumivo::ItemLines(item));
}

void CQVSheetFormatPage::showEvent(QShowEvent* e)
{
    CQVSheetPage::showEvent(e);
    Refresh();
    m_timer.start(1000, this);
}

void CQVSheetFormatPage::hideEvent(QHideEvent* e)
{
    CQVSheetPage::hideEvent(e);
    m_timer.stop();
}

void CQVSheetFormatPage::timerEvent(QTimerEvent* e)
{
    if (e->timerId() == m_timer.timerId())
        Refresh();
    else
        CQVSheetPage::timerEvent(e);
}

CQVSheetDateTimePage::CQVSheetDateTimePage(CLumivoDoc& doc, int index, QWidget* parent)
    : CQVSheetFormatPage(doc, index, lumivo::SheetPageKind(index) == LUMIVO_DATE ? 5 : 4, parent)
{
}

CQVSheetTempPage::CQVSheetTempPage(CLumivoDoc& doc, QWidget* parent) : CQVSheetFormatPage(doc, 7, 2, parent) {}
