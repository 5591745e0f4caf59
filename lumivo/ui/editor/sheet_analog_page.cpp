// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/editor/sheet_analog_page.h"

#include "core/item_text.h"
#include "core/player.h"
#include "lumivo_doc.h"
#include "ui/editor/choice_lists.h"
#include "ui/editor/glyph_image.h"
#include "ui/lumivo_viewer.h"
#include "ui/qt_text.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The scheme's face and hand colours side by side.
QIcon SchemeIcon(unsigned scheme)
{
    const lumivo::analog::Scheme s = lumivo::analog::SchemeOf(scheme);
    QPixmap icon(4 * 12, 12);
    icon.fill(Qt::black);
    QPainter p(&icon);
    int x = 0;
    for (uint8_t c : {s.face, s.hour, s.minute, s.second}) {
        p.fillRect(x + 1, 1, 10, 10, QColor::fromRgb(lumivo::LedRgb(c)));
        x += 12;
    }
    return QIcon(icon);
}

} // namespace

CQVSheetAnalogPage::CQVSheetAnalogPage(CLumivoDoc& doc, QWidget* parent) : CQVSheetPage(doc, 8, parent)
{
    m_style = new QComboBox(this);
    for (unsigned s = 0; s < kStyles; ++s) {
        m_style->addItem(SchemeIcon(s), QString::number(s + 1));
        m_style->setItemData(int(s), lumivo::Tip("TipClockStyle", {static_cast<long long>(s) + 1}), Qt::ToolTipRole);
    }
    lumivo::FollowTips(m_style);
    m_size = new QComboBox(this);
    for (unsigned n = kFirstSize; n <= std::min(kLastSize, BoardLines()); ++n) {
        m_size->addItem(QString::number(n), n);
        m_size->setItemData(m_size->count() - 1, lumivo::Tip("TipLines", {static_cast<long long>(n)}), Qt::ToolTipRole);
    }
    lumivo::FollowTips(m_size);
    m_viewer = new CLumivoViewer(this);
    m_viewer->SetContent(doc.BorrowContent());
    m_viewer->setMinimumHeight(140);
    m_viewer->SetZoom(200);
    for (QLabel*& l : m_label)
        l = new QLabel(this);
    m_label[0]->setBuddy(m_style);
    m_label[1]->setBuddy(m_size);
    auto* form = new QFormLayout;
    form->addRow(m_label[0], m_style);
    form->addRow(m_label[1], m_size);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_viewer, 1);
    connect(m_style, &QComboBox::currentIndexChanged, this, [this] {
        Show();
        emit edited();
    });
    connect(m_size, &QComboBox::currentIndexChanged, this, [this] {
        Show();
        emit edited();
    });
    setFocusProxy(m_style);
    Relabel();
}

void CQVSheetAnalogPage::Relabel()
{
    m_label[0]->setText(lumivo::Tr("AnalogDialog", "Color"));
    m_label[1]->setText(lumivo::Tr("AnalogDialog", "Row"));
}

void CQVSheetAnalogPage::Activate() { m_style->setFocus(Qt::OtherFocusReason); }

lumivo::Result CQVSheetAnalogPage::Choices(lumivo::ItemChoices& choices)
{
    // A board lower than the smallest clock has no clock to offer.
    if (m_size->currentIndex() < 0 || m_style->currentIndex() < 0)
        return CannotSupply();
    choices.option = unsigned(m_style->currentIndex()) + 1;
    choices.color = unsigned(m_style->currentIndex());
    choices.lines = ChosenLines(m_size);
    return {};
}

void CQVSheetAnalogPage::Load(const CLumivo& item)
{
    const unsigned style = item.option >= 1 && item.option <= kStyles ? item.option - 1u
                                                                        : std::min<unsigned>(item.chars[0].attr.color, kStyles - 1);
    m_style->setCurrentIndex(int(style));
    ShowLines(m_size, lumivo::ItemLines(item));
}

void CQVSheetAnalogPage::Show()
{
    if (!isVisible())
        return;
    CLumivo item;
    if (!Build(item)) {
        m_viewer->Stop();
        return;
    }
    m_viewer->SetModuleSize(m_doc.ModuleColumns(), lumivo::ItemLines(item));
    m_viewer->Play({item});
}

void CQVSheetAnalogPage::showEvent(QShowEvent* e)
{
    CQVSheetPage::showEvent(e);
    Show();
}

void CQVSheetAnalogPage::hideEvent(QHideEvent* e)
{
    CQVSheetPage::hideEvent(e);
    m_viewer->Stop();
}
