// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/ad_editor_dlg.h"

#include "core/item_text.h"
#include "lumivo_doc.h"
#include "ui/editor/layout_strip.h"
#include "ui/editor/sheet_analog_page.h"
#include "ui/editor/sheet_content_page.h"
#include "ui/editor/sheet_format_page.h"
#include "ui/editor/sheet_text_page.h"
#include "ui/lumivo_viewer.h"
#include "ui/qt_text.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

using lumivo::Tr;

CAdEditorDlg::CAdEditorDlg(CLumivoDoc& doc, std::optional<unsigned> page, QWidget* parent)
    : QDialog(parent), m_doc(doc), m_page(page),
      m_layout(doc.ModuleRows(), page ? doc.Core().PageItems(*page) : std::vector<CLumivo>{})
{
    setObjectName(QStringLiteral("AdEditor"));
    if (!m_layout.Items().empty())
        m_skip = m_layout.Items().front().skip;

    m_strip = new CLayoutStrip(this);
    m_strip->SetLayout(&m_layout, doc.Core().KoreanLibrary());
    m_sheet = new QTabWidget(this);
    for (int i = 0; i < CQVSheetPage::kPages; ++i) {
        CQVSheetPage* p = nullptr;
        switch (lumivo::SheetPageKind(i)) {
        case LUMIVO_TEXT:
        case LUMIVO_ENG2LINE: p = new CQVSheetTextPage(doc, i, m_sheet); break;
        case LUMIVO_IMAGE:
        case LUMIVO_MOVIE:
        case LUMIVO_ANIMATION: p = new CQVSheetContentPage(doc, i, m_sheet); break;
        case LUMIVO_DATE:
        case LUMIVO_TIME: p = new CQVSheetDateTimePage(doc, i, m_sheet); break;
        case LUMIVO_TEMPERATURE: p = new CQVSheetTempPage(doc, m_sheet); break;
        default: p = new CQVSheetAnalogPage(doc, m_sheet); break;
        }
        m_pages[size_t(i)] = p;
        m_sheet->addTab(p, QString());
    }
    m_preview = new CLumivoViewer(this);
    m_preview->SetContent(doc.BorrowContent());
    m_preview->SetModuleSize(doc.ModuleColumns(), doc.ModuleRows());
    m_preview->SetZoom(200);
    m_preview->setMinimumHeight(std::min(int(doc.ModuleRows()) * 32 + 16, 160));
    m_previewLabel = new QLabel(this);
    m_help = new QLabel(this);
    m_help->setWordWrap(true);
    m_help->setStyleSheet(QStringLiteral("color: palette(mid);"));

    auto button = [this] {
        auto* b = new QPushButton(this);
        b->setAutoDefault(false);
        return b;
    };
    m_add = button();
    m_replace = button();
    m_delete = button();
    m_ok = button();
    m_cancel = button();

    auto* bandButtons = new QHBoxLayout;
    bandButtons->addWidget(m_add);
    bandButtons->addWidget(m_replace);
    bandButtons->addWidget(m_delete);
    auto* left = new QVBoxLayout;
    left->addWidget(m_strip);
    left->addLayout(bandButtons);
    left->addStretch(1);
    left->addWidget(m_help);
    auto* top = new QHBoxLayout;
    top->addLayout(left, 0);
    top->addWidget(m_sheet, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(m_ok);
    bottom->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(m_previewLabel);
    layout->addWidget(m_preview);
    layout->addLayout(bottom);

    connect(m_add, &QPushButton::clicked, this, &CAdEditorDlg::AddBand);
    connect(m_replace, &QPushButton::clicked, this, &CAdEditorDlg::ReplaceBand);
    connect(m_delete, &QPushButton::clicked, this, &CAdEditorDlg::DeleteBand);
    connect(m_ok, &QPushButton::clicked, this, &CAdEditorDlg::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CAdEditorDlg::reject);
    for (auto key : {Qt::Key_Return, Qt::Key_Enter})
        connect(new QShortcut(QKeySequence(Qt::CTRL | key), this), &QShortcut::activated, this, &CAdEditorDlg::accept);
    connect(m_strip, &CLayoutStrip::selectionChanged, this, &CAdEditorDlg::BandChosen);
    connect(m_sheet, &QTabWidget::currentChanged, this, [this](int i) {
        if (!m_followingBand && i >= 0)
            m_pages[size_t(i)]->Activate();
    });

    // Edit Ad: every item back in its sheet page; the first item's page in front.
    for (const CLumivo& item : m_layout.Items())
        if (const int i = PageIndexOfKind(item.type); i >= 0)
            m_pages[size_t(i)]->Load(item);
    if (!m_layout.Items().empty() && PageIndexOfKind(m_layout.Items().front().type) >= 0)
        m_sheet->setCurrentIndex(PageIndexOfKind(m_layout.Items().front().type));

    Relabel();
    PageChanged();
    resize(980, 660);
}

CAdEditorDlg::~CAdEditorDlg() = default;

void CAdEditorDlg::Relabel()
{
    setWindowTitle(Tr("rbHome", m_page ? "rbAdvtEdit" : "rbAdvtAdd"));
    for (int i = 0; i < CQVSheetPage::kPages; ++i)
        m_sheet->setTabText(i, lumivo::FromU16(lumivo::LangText("LumivoType", qvr::LumivoTypeName(lumivo::SheetPageKind(i)))));
    m_add->setText(Tr("AddDialog", "btnAdd"));
    m_replace->setText(Tr("AddDialog", "btnReplace"));
    m_delete->setText(Tr("AddDialog", "btnDelete"));
    m_ok->setText(Tr("DialogCommon", "btnOk"));
    m_cancel->setText(Tr("DialogCommon", "btnCancel"));
    m_ok->setToolTip(QKeySequence(Qt::CTRL | Qt::Key_Return).toString(QKeySequence::NativeText));
    m_previewLabel->setText(Tr("Windows", "Preview"));
    m_help->setText(Tr("AddDialog", "HowToUseAdd") + QLatin1Char('\n') + Tr("AddDialog", "HowToUseModify") +
                    QLatin1Char('\n') + Tr("AddDialog", "HowToUseOK"));
}

CQVSheetPage* CAdEditorDlg::SheetPage(int index) const
{
    return index >= 0 && index < CQVSheetPage::kPages ? m_pages[size_t(index)] : nullptr;
}

int CAdEditorDlg::PageIndexOfKind(int type)
{
    for (int i = 0; i < CQVSheetPage::kPages; ++i)
        if (lumivo::SheetPageKind(i) == type)
            return i;
    return -1;
}

int CAdEditorDlg::ActiveItemKind() const
{
    const CQVSheetPage* p = SheetPage(m_sheet->currentIndex());
    return p ? p->GetItemKind() : LUMIVO_NONE;
}

void CAdEditorDlg::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    // Typing goes straight into the front page (the character editor).
    if (CQVSheetPage* p = SheetPage(m_sheet->currentIndex()))
        p->Activate();
}

void CAdEditorDlg::Tell(const lumivo::Result& r) const
{
    // Limits are exclamations; the builder's notes are warnings too.
    for (const lumivo::Message& m : r.messages())
        m_doc.Prompts().Show(CPrompts::Icon::Warning, windowTitle(), QString::fromStdString(m.text));
}

bool CAdEditorDlg::BuildActive(CLumivo& item)
{
    CQVSheetPage* p = SheetPage(m_sheet->currentIndex());
    if (!p)
        return false;
    const lumivo::Result r = p->Build(item);
    if (!r)
        Tell(r);
    return r.ok();
}

bool CAdEditorDlg::AddBand()
{
    CQVSheetPage* p = SheetPage(m_sheet->currentIndex());
    CLumivo item;
    if (!p)
        return false;
    const lumivo::Result built = p->Build(item);
    lumivo::Result r = built ? m_layout.Add(item) : built;
    if (r)
        r.Append(built); // the builder's warnings, once the band is in
    Tell(r);
    if (!r)
        return false;
    PageChanged();
    return true;
}

bool CAdEditorDlg::ReplaceBand()
{
    const std::optional<size_t> band = m_strip->Selected();
    CQVSheetPage* p = SheetPage(m_sheet->currentIndex());
    if (!band || !p)
        return false;
    CLumivo item;
    const lumivo::Result built = p->Build(item);
    if (built) {
        // The sheet pages have no effects: an item of the same kind keeps
        // those set with the effect dialog, and the hold and loop with them.
        const CLumivo& old = m_layout.Items()[*band];
        if (old.type == item.type && lumivo::ShowsEffectText(item.type)) {
            item.effectS = old.effectS;
            item.effectW = old.effectW;
            item.effectE = old.effectE;
            item.option = old.option;
            item.effectLoop = old.effectLoop;
        }
    }
    lumivo::Result r = built ? m_layout.Replace(*band, item) : built;
    if (r)
        r.Append(built);
    Tell(r);
    if (!r)
        return false;
    m_strip->SetSelected(std::nullopt);
    PageChanged();
    return true;
}

bool CAdEditorDlg::DeleteBand()
{
    const std::optional<size_t> band = m_strip->Selected();
    if (!band || !m_layout.Remove(*band))
        return false;
    m_strip->SetSelected(std::nullopt);
    PageChanged();
    return true;
}

void CAdEditorDlg::accept()
{
    if (const lumivo::Result r = m_layout.CheckFilled(); !r) {
        m_doc.Prompts().Show(CPrompts::Icon::Warning, Tr("Error", "ErrTitle"), QString::fromStdString(r.FirstError()));
        return;
    }
    std::vector<CLumivo> items = m_layout.Items();
    // An edited page keeps its Uses state.
    for (CLumivo& item : items)
        item.skip = m_skip;
    const QString text = Tr("rbHome", m_page ? "rbAdvtEdit" : "rbAdvtAdd");
    const bool taken = m_page ? m_doc.ReplacePage(*m_page, items, text) : m_doc.AppendPage(items, text);
    if (taken)
        QDialog::accept();
}

void CAdEditorDlg::PageChanged()
{
    m_strip->Refresh();
    m_replace->setEnabled(m_strip->Selected().has_value());
    m_delete->setEnabled(m_strip->Selected().has_value());
    m_preview->Play(m_layout.Items());
}

void CAdEditorDlg::BandChosen()
{
    m_replace->setEnabled(m_strip->Selected().has_value());
    m_delete->setEnabled(m_strip->Selected().has_value());
    const std::optional<size_t> band = m_strip->Selected();
    if (!band)
        return;
    const CLumivo& item = m_layout.Items()[*band];
    const int index = PageIndexOfKind(item.type);
    if (index < 0)
        return;
    m_pages[size_t(index)]->Load(item);
    m_followingBand = true;
    m_sheet->setCurrentIndex(index);
    m_followingBand = false;
}
