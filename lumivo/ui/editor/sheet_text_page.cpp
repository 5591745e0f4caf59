// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/editor/sheet_text_page.h"

#include "core/cell_glyph.h"
#include "core/item_builder.h"
#include "core/item_text.h"
#include "lumivo_doc.h"
#include "ui/editor/char_editor.h"
#include "ui/editor/choice_lists.h"
#include "ui/qt_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

using lumivo::CCellText;
using lumivo::CellField;
using lumivo::Tr;

CQVSheetTextPage::CQVSheetTextPage(CLumivoDoc& doc, int index, QWidget* parent) : CQVSheetPage(doc, index, parent)
{
    const bool two = GetItemKind() == LUMIVO_ENG2LINE;
    const CContent* content = &doc.Core().Content();
    m_editor = new CCharEditor(two ? CCellText::Mode::Eng2Line : CCellText::Mode::Text, this);
    m_editor->SetContent(content);
    m_editor->SetBoardWidth(int(doc.ModuleColumns()) * 16);
    m_notice = new QLabel(this);
    m_notice->setWordWrap(true);
    m_notice->setStyleSheet(QStringLiteral("color: #d03030;"));
    m_notice->hide();

    m_face = new QComboBox(this);
    lumivo::FillFaceList(m_face, content);
    m_color = new QComboBox(this);
    lumivo::FillColorList(m_color, content);
    m_colorSpin = new QSpinBox(this);
    m_colorSpin->setRange(1, m_color->count());
    m_attrib = new QComboBox(this);
    lumivo::FillAttribList(m_attrib, content);
    m_attribSpin = new QSpinBox(this);
    m_attribSpin->setRange(1, m_attrib->count());
    m_width = new QComboBox(this);
    lumivo::FillWidthList(m_width, content);
    m_size = new QComboBox(this);
    lumivo::FillSizeList(m_size, content);
    m_lines = MakeLinesList();
    m_fit = new QCheckBox(this);
    m_symbols = new CGlyphGrid(CGlyphGrid::Kind::Symbols, this);
    m_symbols->SetContent(content);
    m_moves = new CGlyphGrid(CGlyphGrid::Kind::Moves, this);
    m_moves->SetContent(content);
    m_inserts = new QTabWidget(this);
    m_inserts->addTab(m_symbols, QString());
    if (!two)
        m_inserts->addTab(m_moves, QString());
    else
        m_moves->hide();

    auto* grid = new QGridLayout;
    for (QLabel*& l : m_labels)
        l = new QLabel(this);
    auto pair = [](QWidget* a, QWidget* b) {
        auto* h = new QHBoxLayout;
        h->setContentsMargins(0, 0, 0, 0);
        h->addWidget(a, 1);
        h->addWidget(b);
        return h;
    };
    grid->addWidget(m_labels[0], 0, 0);
    grid->addWidget(m_face, 0, 1);
    grid->addWidget(m_labels[1], 0, 2);
    grid->addLayout(pair(m_color, m_colorSpin), 0, 3);
    grid->addWidget(m_labels[2], 0, 4);
    grid->addLayout(pair(m_attrib, m_attribSpin), 0, 5);
    grid->addWidget(m_labels[3], 1, 0);
    grid->addWidget(m_width, 1, 1);
    grid->addWidget(m_labels[4], 1, 2);
    grid->addWidget(m_size, 1, 3);
    grid->addWidget(m_labels[5], 1, 4);
    grid->addWidget(m_lines, 1, 5);
    grid->addWidget(m_fit, 2, 0, 1, 6);
    m_labels[0]->setBuddy(m_face);
    m_labels[1]->setBuddy(m_color);
    m_labels[2]->setBuddy(m_attrib);
    m_labels[3]->setBuddy(m_width);
    m_labels[4]->setBuddy(m_size);
    m_labels[5]->setBuddy(m_lines);
    if (two) // the small font has one face, width and height
        for (QWidget* w : {static_cast<QWidget*>(m_face), static_cast<QWidget*>(m_width),
                           static_cast<QWidget*>(m_size), static_cast<QWidget*>(m_labels[0]),
                           static_cast<QWidget*>(m_labels[3]), static_cast<QWidget*>(m_labels[4])})
            w->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_editor);
    layout->addWidget(m_notice);
    layout->addLayout(grid);
    layout->addWidget(m_inserts, 1);

    connect(m_face, &QComboBox::activated, this, [this](int i) { Choose(CellField::Face, unsigned(i)); });
    connect(m_color, &QComboBox::activated, this, [this](int i) { Choose(CellField::Color, unsigned(i)); });
    connect(m_colorSpin, &QSpinBox::valueChanged, this, [this](int v) { Choose(CellField::Color, unsigned(v - 1)); });
    connect(m_attrib, &QComboBox::activated, this, [this](int i) { Choose(CellField::Attrib, unsigned(i)); });
    connect(m_attribSpin, &QSpinBox::valueChanged, this, [this](int v) { Choose(CellField::Attrib, unsigned(v - 1)); });
    connect(m_width, &QComboBox::activated, this, [this](int i) { Choose(CellField::Width, unsigned(i)); });
    connect(m_size, &QComboBox::activated, this,
            [this](int i) { Choose(CellField::Size, m_size->itemData(i).toUInt()); });
    connect(m_lines, &QComboBox::currentIndexChanged, this, [this] { m_editor->SetLines(ChosenLines(m_lines)); });
    connect(m_fit, &QCheckBox::toggled, this, &CQVSheetPage::edited);
    connect(m_editor, &CCharEditor::cursorChanged, this, &CQVSheetTextPage::FollowCaret);
    connect(m_editor, &CCharEditor::textChanged, this, [this] {
        m_limitMet = false;
        UpdateNotice();
        emit edited();
    });
    connect(m_editor, &CCharEditor::limitReached, this, [this] {
        m_limitMet = true;
        UpdateNotice();
    });
    auto insert = [this](CLumiChar cell) {
        const unsigned kind = cell.attr.kind;
        cell.attr = m_editor->Current();
        if (kind == qvr::kKindMove)
            cell.attr.kind = kind;
        m_editor->InsertCells({cell});
        m_editor->setFocus();
    };
    connect(m_symbols, &CGlyphGrid::chosen, this, insert);
    connect(m_moves, &CGlyphGrid::chosen, this, insert);

    setFocusProxy(m_editor);
    ShowChoices(m_editor->Current());
    Relabel();
}

void CQVSheetTextPage::Relabel()
{
    const char* keys[] = {"Font", "Color", "Effect", "Width", "Size", "Row"};
    for (int i = 0; i < 6; ++i)
        m_labels[i]->setText(Tr("TextDialog", keys[i]));
    m_fit->setText(Tr("TextDialog", "Fit"));
    m_fit->setToolTip(lumivo::Tip("TipFit", {}));
    m_inserts->setTabText(0, Tr("TextDialog", "Symbol"));
    if (m_inserts->count() > 1)
        m_inserts->setTabText(1, Tr("TextDialog", "Move"));
    UpdateNotice();
}

void CQVSheetTextPage::Activate() { m_editor->setFocus(Qt::OtherFocusReason); }

void CQVSheetTextPage::Choose(CellField field, unsigned value)
{
    QVXF a = m_editor->Current();
    switch (field) {
    case CellField::Face: a.face = value & 0x1F; break;
    case CellField::Color: a.color = value; break;
    case CellField::Attrib: a.attrib = value; break;
    case CellField::Width: a.widthIndex = value + 1; break;
    case CellField::Size: a.size = value; break;
    }
    m_editor->SetCurrent(a);
    m_editor->ApplyChoice(field, value);
    // A 32-dot glyph needs a band two lines high.
    if (field == CellField::Size && value >= 4 && ChosenLines(m_lines) < 2 && m_lines->findData(2u) >= 0)
        ShowLines(m_lines, 2);
    ShowChoices(a);
    emit edited();
}

void CQVSheetTextPage::FollowCaret()
{
    const CCellText& t = m_editor->Text();
    const auto [b, e] = t.ChoiceRange();
    const CLumiChar* ref = nullptr;
    if (b < e)
        ref = &t.Cells()[b];
    else if (!t.HasSelection() && t.Caret() > 0)
        ref = &t.Cells()[t.Caret() - 1];
    if (!ref || lumivo::IsLineEnd(*ref) || ref->attr.kind == qvr::kKindMove)
        return;
    m_editor->SetCurrent(ref->attr);
    ShowChoices(ref->attr);
}

void CQVSheetTextPage::ShowChoices(const QVXF& a)
{
    const QSignalBlocker b1(m_face), b2(m_color), b3(m_colorSpin), b4(m_attrib), b5(m_attribSpin), b6(m_width),
        b7(m_size);
    m_face->setCurrentIndex(int(a.face) < m_face->count() ? int(a.face) : -1);
    m_color->setCurrentIndex(int(a.color) < m_color->count() ? int(a.color) : -1);
    m_colorSpin->setValue(int(a.color) + 1);
    m_attrib->setCurrentIndex(int(a.attrib) < m_attrib->count() ? int(a.attrib) : -1);
    m_attribSpin->setValue(int(a.attrib) + 1);
    m_width->setCurrentIndex(a.widthIndex >= 1 && int(a.widthIndex) <= m_width->count() ? int(a.widthIndex) - 1 : -1);
    m_size->setCurrentIndex(m_size->findData(unsigned(a.size)));
    for (QComboBox* box : {m_face, m_color, m_attrib, m_width, m_size})
        lumivo::ShowTip(box);
}

void CQVSheetTextPage::UpdateNotice()
{
    QStringList parts;
    if (m_limitMet)
        parts << lumivo::FromU16(
            lumivo::FormatText(lumivo::LangText("Format", "fmtMaxChar"), {static_cast<long long>(m_editor->Text().Limit())}));
    const std::vector<CLumiChar>& cells = m_editor->Text().Cells();
    const std::u16string inexact = lumivo::InexactNotice(m_doc.Core().Content(), cells.data(), cells.size());
    if (!inexact.empty())
        parts << lumivo::FromU16(inexact);
    if (const std::u16string lost = lumivo::LeftOutNotice(cells, GetItemKind()); !lost.empty())
        parts << lumivo::FromU16(lost);
    m_notice->setText(parts.join(QLatin1Char('\n')));
    m_notice->setVisible(!parts.isEmpty());
}

lumivo::Result CQVSheetTextPage::Choices(lumivo::ItemChoices& choices)
{
    choices.cells = m_editor->Text().Cells();
    choices.lines = ChosenLines(m_lines);
    choices.fit = m_fit->isChecked();
    return {};
}

void CQVSheetTextPage::Load(const CLumivo& item)
{
    ShowLines(m_lines, lumivo::ItemLines(item));
    m_fit->setChecked(item.fit != 0);
    m_editor->Load(item);
    m_editor->SetLines(ChosenLines(m_lines));
    // The caret is at the start: typing there takes the first character's glyph.
    for (const CLumiChar& c : m_editor->Text().Cells())
        if (!lumivo::IsLineEnd(c) && c.attr.kind != qvr::kKindMove) {
            m_editor->SetCurrent(c.attr);
            ShowChoices(c.attr);
            break;
        }
}
