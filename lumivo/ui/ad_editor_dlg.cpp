// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/ad_editor_dlg.h"

#include "core/item_text.h"
#include "lumivo_doc.h"
#include "ui/editor/choice_lists.h"
#include "ui/editor/layout_strip.h"
#include "ui/editor/sheet_analog_page.h"
#include "ui/editor/sheet_content_page.h"
#include "ui/editor/sheet_font_page.h"
#include "ui/editor/sheet_format_page.h"
#include "ui/editor/sheet_text_page.h"
#include "ui/lumivo_viewer.h"
#include "ui/qt_text.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cstring>
#include <functional>

using lumivo::Tr;

namespace {

// The property sheet; its pages are chosen from the kinds list beside it, so
// every kind is in view at once. It tells the list when a page comes or goes.
class CKindSheet : public QTabWidget {
public:
    using QTabWidget::QTabWidget;
    std::function<void()> pagesChanged;

protected:
    void tabInserted(int) override
    {
        if (pagesChanged)
            pagesChanged();
    }
    void tabRemoved(int) override
    {
        if (pagesChanged)
            pagesChanged();
    }
};

} // namespace

CAdEditorDlg::CAdEditorDlg(CLumivoDoc& doc, std::optional<unsigned> page, QWidget* parent)
    : QDialog(parent), m_doc(doc), m_page(page),
      m_layout(doc.ModuleRows(), page ? doc.Core().PageItems(*page) : std::vector<CLumivo>{})
{
    setObjectName(QStringLiteral("AdEditor"));
    if (!m_layout.Items().empty())
        m_skip = m_layout.Items().front().skip;

    m_strip = new CLayoutStrip(this);
    m_strip->SetLayout(&m_layout, doc.Core().KoreanLibrary());
    auto* sheet = new CKindSheet(this);
    m_sheet = sheet;
    m_sheet->tabBar()->hide();
    m_kinds = new QListWidget(this);
    m_kinds->setObjectName(QStringLiteral("ItemKinds"));
    m_kinds->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_kinds->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_kinds->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    sheet->pagesChanged = [this] { FillKinds(); };
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
    m_fontPage = new CFontTextPage(doc, m_sheet);
    m_pages[size_t(CFontTextPage::kIndex)] = m_fontPage;
    m_sheet->addTab(m_fontPage, QString());
    connect(m_fontPage, &CFontTextPage::draftChanged, this, &CAdEditorDlg::DraftChanged);
    connect(m_fontPage, &CFontTextPage::splitRequested, this, &CAdEditorDlg::SplitText);
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
    auto* kinds = new QVBoxLayout;
    kinds->addWidget(m_kinds);
    kinds->addStretch(1);
    top->addLayout(kinds, 0);
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
        {
            const QSignalBlocker block(m_kinds);
            m_kinds->setCurrentRow(i);
        }
        if (!m_followingBand && i >= 0 && i < kSheetPages)
            m_pages[size_t(i)]->Activate();
    });
    // Arrow keys in the list look through the kinds; a click or Return goes
    // to the page to set it up.
    connect(m_kinds, &QListWidget::currentRowChanged, this, [this](int row) {
        m_followingBand = true;
        m_sheet->setCurrentIndex(row);
        m_followingBand = false;
    });
    auto activate = [this] {
        if (CQVSheetPage* p = SheetPage(m_sheet->currentIndex()))
            p->Activate();
        else if (QWidget* w = m_sheet->currentWidget())
            w->setFocus(Qt::OtherFocusReason);
    };
    connect(m_kinds, &QListWidget::itemClicked, this, activate);
    connect(m_kinds, &QListWidget::itemActivated, this, activate);
    for (int i = 0; i < kSheetPages; ++i)
        connect(m_pages[size_t(i)], &CQVSheetPage::edited, this, [this, i] { PageEdited(i); });
    // F6 moves between the panes: to the kinds list, where Return opens the page.
    connect(new QShortcut(QKeySequence(Qt::Key_F6), this), &QShortcut::activated, this,
            [this] { m_kinds->setFocus(Qt::ShortcutFocusReason); });

    // Edit Ad: every kind's page shows the first item of that kind (filled
    // from the bottom so the first wins); the first band is chosen, so its
    // page is in front and follows it.
    ++m_loading;
    const std::vector<CLumivo>& items = m_layout.Items();
    for (auto it = items.rbegin(); it != items.rend(); ++it)
        if (const int i = PageIndexOfItem(*it); i >= 0)
            m_pages[size_t(i)]->Load(*it);
    --m_loading;
    m_startBytes.resize(items.size() * qvr::kItemBytes);
    for (size_t i = 0; i < items.size(); ++i)
        qvr::StoreItem(items[i], m_startBytes.data() + i * qvr::kItemBytes);
    if (!items.empty())
        m_strip->SetSelected(0);

    Relabel();
    PageChanged();
    resize(980, 660);
}

CAdEditorDlg::~CAdEditorDlg()
{
    // The list goes with the dialog: the sheet's pages must not refill it then.
    static_cast<CKindSheet*>(m_sheet)->pagesChanged = nullptr;
    // The preview's library of drawn text images goes before the preview does.
    m_preview->SetContent(nullptr);
}

void CAdEditorDlg::Relabel()
{
    setWindowTitle(Tr("rbHome", m_page ? "rbAdvtEdit" : "rbAdvtAdd"));
    for (int i = 0; i < CQVSheetPage::kPages; ++i)
        m_sheet->setTabText(i, lumivo::FromU16(lumivo::LangText("LumivoType", qvr::LumivoTypeName(lumivo::SheetPageKind(i)))));
    m_sheet->setTabText(CFontTextPage::kIndex, Tr("FontPage", "Kind"));
    FillKinds();
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

void CAdEditorDlg::FillKinds()
{
    const QSignalBlocker block(m_kinds);
    m_kinds->clear();
    for (int i = 0; i < m_sheet->count(); ++i)
        m_kinds->addItem(m_sheet->tabText(i));
    m_kinds->setCurrentRow(m_sheet->currentIndex());
    m_kinds->setToolTip(lumivo::Tip("Kinds", {}));
    // Every kind in view: as high and as wide as its entries.
    const int frame = 2 * m_kinds->frameWidth();
    m_kinds->setFixedSize(m_kinds->sizeHintForColumn(0) + frame + 16,
                          m_kinds->count() > 0 ? m_kinds->sizeHintForRow(0) * m_kinds->count() + frame : frame);
}

CQVSheetPage* CAdEditorDlg::SheetPage(int index) const
{
    return index >= 0 && index < kSheetPages ? m_pages[size_t(index)] : nullptr;
}

int CAdEditorDlg::PageIndexOfItem(const CLumivo& item) const
{
    return m_fontPage->Shows(item) ? CFontTextPage::kIndex : PageIndexOfKind(item.type);
}

void CAdEditorDlg::DraftChanged()
{
    if (!m_previewContent) {
        m_previewContent = std::make_unique<CContent>();
        *m_previewContent = m_doc.Core().Content();
    }
    m_previewContent->ClearUserImage();
    for (const CRGX<8192>& image : m_fontPage->Draft().images)
        m_previewContent->InsertUserImage(&image);
    m_preview->SetContent(m_previewContent.get());
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

bool CAdEditorDlg::AddBand() { return AddFrom(m_sheet->currentIndex()); }

bool CAdEditorDlg::AddFrom(int index)
{
    CQVSheetPage* p = SheetPage(index);
    CLumivo item;
    if (!p)
        return false;
    p->BuildFor(nullptr);
    const lumivo::Result built = p->Build(item);
    lumivo::Result r = built ? m_layout.Add(item) : built;
    p->Placed(r.ok());
    if (r)
        r.Append(built); // the builder's warnings, once the band is in
    Tell(r);
    if (!r)
        return false;
    m_unplaced[size_t(index)] = false;
    PageChanged();
    return true;
}

lumivo::Result CAdEditorDlg::Rebuild(size_t band, int index, CLumivo& item) const
{
    CQVSheetPage* p = SheetPage(index);
    if (!p || band >= m_layout.Count())
        return lumivo::Result::Fail(std::string());
    p->BuildFor(&m_layout.Items()[band]);
    const lumivo::Result built = p->Build(item);
    if (built) {
        // The sheet pages have no effects: an item of the same kind keeps
        // those set with the effect dialog, and the hold and loop with them.
        const CLumivo& old = m_layout.Items()[band];
        if (old.type == item.type && lumivo::ShowsEffectText(item.type)) {
            item.effectS = old.effectS;
            item.effectW = old.effectW;
            item.effectE = old.effectE;
            item.option = old.option;
            item.effectLoop = old.effectLoop;
        }
    }
    return built;
}

bool CAdEditorDlg::ReplaceBand()
{
    const std::optional<size_t> band = m_strip->Selected();
    const int index = m_sheet->currentIndex();
    if (!band || !SheetPage(index))
        return false;
    CLumivo item;
    const lumivo::Result built = Rebuild(*band, index, item);
    lumivo::Result r = built ? m_layout.Replace(*band, item) : built;
    SheetPage(index)->Placed(r.ok());
    if (r)
        r.Append(built);
    Tell(r);
    if (!r)
        return false;
    m_unplaced[size_t(index)] = false;
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

void CAdEditorDlg::PageEdited(int index)
{
    if (m_loading)
        return;
    const std::optional<size_t> band = m_strip->Selected();
    if (!band || PageIndexOfItem(m_layout.Items()[*band]) != index) {
        m_unplaced[size_t(index)] = true;
        return;
    }
    CLumivo item;
    const lumivo::Result built = Rebuild(*band, index, item);
    // The page's notice already names what the board cannot draw; only a
    // refusal (a band higher than the room left) is told, and the page
    // shows the band as it stays.
    const lumivo::Result r = built ? m_layout.Replace(*band, item) : built;
    SheetPage(index)->Placed(r.ok());
    if (!r) {
        Tell(r);
        LoadBand(*band);
        return;
    }
    PageChanged();
}

void CAdEditorDlg::LoadBand(size_t band)
{
    const int index = PageIndexOfItem(m_layout.Items()[band]);
    if (index < 0)
        return;
    ++m_loading;
    m_pages[size_t(index)]->Load(m_layout.Items()[band]);
    --m_loading;
    m_unplaced[size_t(index)] = false;
    m_shownBand = band;
}

bool CAdEditorDlg::OfferUnplaced(int index)
{
    using lumivo::FromU16;
    const bool text = index == 0 || index == 1 || index == CFontTextPage::kIndex;
    const QString question =
        text ? Tr("AdEditor", "PlaceTyped")
             : FromU16(lumivo::FormatText(lumivo::LangText("AdEditor", "PlaceChosen"), {m_sheet->tabText(index).toStdU16String()}));
    const int answer = m_doc.Prompts().askChoice
                           ? m_doc.Prompts().askChoice(windowTitle(), question + QLatin1Char('\n') + Tr("AdEditor", "PlaceWhy"),
                                                       {Tr("AdEditor", "btnPlaceAdd"), Tr("AdEditor", "btnDiscard"),
                                                        Tr("DialogCommon", "btnCancel")})
                           : -1;
    if (answer == 0)
        return AddFrom(index);
    if (answer == 1) {
        m_unplaced[size_t(index)] = false;
        return true;
    }
    return false;
}

bool CAdEditorDlg::HasChanges() const
{
    for (bool u : m_unplaced)
        if (u)
            return true;
    if (m_fontPage->Drawn())
        return true;
    const std::vector<CLumivo>& items = m_layout.Items();
    if (items.size() * qvr::kItemBytes != m_startBytes.size())
        return true;
    uint8_t bytes[qvr::kItemBytes];
    for (size_t i = 0; i < items.size(); ++i) {
        qvr::StoreItem(items[i], bytes);
        if (std::memcmp(bytes, m_startBytes.data() + i * qvr::kItemBytes, qvr::kItemBytes) != 0)
            return true;
    }
    return false;
}

void CAdEditorDlg::accept()
{
    // What the user set up and did not place comes first, the page in front first.
    const int front = m_sheet->currentIndex();
    if (front >= 0 && m_unplaced[size_t(front)] && !OfferUnplaced(front))
        return;
    for (int i = 0; i < kSheetPages; ++i)
        if (m_unplaced[size_t(i)] && !OfferUnplaced(i))
            return;
    if (const lumivo::Result r = m_layout.CheckFilled(); !r) {
        m_doc.Prompts().Show(CPrompts::Icon::Warning, Tr("Error", "ErrTitle"), QString::fromStdString(r.FirstError()));
        return;
    }
    std::vector<CLumivo> items = m_layout.Items();
    // An edited page keeps its Uses state.
    for (CLumivo& item : items)
        item.skip = m_skip;
    const QString text = Tr("rbHome", m_page ? "rbAdvtEdit" : "rbAdvtAdd");
    bool taken = false;
    if (m_fontPage->Drawn()) {
        // Text images drawn but no longer on the page are not kept.
        lumivo::TextImageDraft draft = m_fontPage->Draft();
        draft.DropUnused(m_doc.Core().Content(), items);
        taken = m_doc.PlaceTextImages(m_page, items, draft.images, draft.recipes, text);
    } else {
        taken = m_page ? m_doc.ReplacePage(*m_page, items, text) : m_doc.AppendPage(items, text);
    }
    if (taken)
        QDialog::accept();
}

void CAdEditorDlg::SplitText()
{
    // The pieces go on new Ads of their own; the Ad edited here, and what
    // was drawn for it, stay as they were when the editor opened.
    if (m_doc.SplitTextImage(m_fontPage->Recipe(), Tr("FontPage", "SplitStep")))
        QDialog::accept();
}

void CAdEditorDlg::reject()
{
    if (HasChanges()) {
        const int answer =
            m_doc.Prompts().askChoice
                ? m_doc.Prompts().askChoice(windowTitle(),
                                            Tr("AdEditor", "KeepChanges") + QLatin1Char('\n') + Tr("AdEditor", "KeepWhy"),
                                            {Tr("AdEditor", "btnKeep"), Tr("AdEditor", "btnDiscard"),
                                             Tr("DialogCommon", "btnCancel")})
                : -1;
        if (answer == 0)
            return accept();
        if (answer != 1)
            return;
    }
    QDialog::reject();
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
    if (m_loading)
        return;
    m_replace->setEnabled(m_strip->Selected().has_value());
    m_delete->setEnabled(m_strip->Selected().has_value());
    const std::optional<size_t> band = m_strip->Selected();
    if (!band) {
        m_shownBand.reset();
        return;
    }
    const int index = PageIndexOfItem(m_layout.Items()[*band]);
    if (index < 0)
        return;
    // Loading the band would put its item over what the page holds unplaced.
    if (m_unplaced[size_t(index)] && band != m_shownBand && !OfferUnplaced(index)) {
        ++m_loading;
        m_strip->SetSelected(m_shownBand);
        --m_loading;
        m_replace->setEnabled(m_strip->Selected().has_value());
        m_delete->setEnabled(m_strip->Selected().has_value());
        return;
    }
    LoadBand(*band);
    m_followingBand = true;
    m_sheet->setCurrentIndex(index);
    m_followingBand = false;
}
