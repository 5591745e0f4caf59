#include "ui/lumivo_view.h"

#include "lumivo_doc.h"
#include "ui/qt_text.h"

#include "core/item_text.h"

#include <QHeaderView>

CLumivoView::CLumivoView(CLumivoDoc& doc, QWidget* parent) : QTreeWidget(parent), m_doc(doc)
{
    setColumnCount(5);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(1, QHeaderView::Stretch);
    connect(&doc, &CLumivoDoc::listChanged, this, &CLumivoView::OnUpdate);
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item)
            emit pageSelected(item->data(0, Qt::UserRole).toUInt());
    });
    Relabel();
    OnUpdate();
}

void CLumivoView::Relabel()
{
    using lumivo::Tr;
    setHeaderLabels({Tr("AdCell", "AdCellPage"), Tr("AdCell", "AdCellTitle"), Tr("AdCell", "AdCellEffectS"),
                     Tr("AdCell", "AdCellEffectW"), Tr("AdCell", "AdCellEffectE")});
    OnUpdate(); // the effect names are language texts too
}

void CLumivoView::OnUpdate()
{
    using lumivo::FromU16;
    const int current = currentIndex().isValid() ? currentIndex().row() : 0;
    clear();
    for (const lumivo::CAdEntry& e : m_doc.Core().Entries()) {
        auto* row = new QTreeWidgetItem(this);
        row->setData(0, Qt::UserRole, e.page);
        row->setText(0, QString::number(e.page + 1));
        row->setText(1, FromU16(e.title));
        if (lumivo::ShowsEffectText(e.item.type)) {
            row->setText(2, FromU16(lumivo::EffectCellText(0, e.effectS)));
            row->setText(3, FromU16(lumivo::EffectCellText(1, e.effectW)));
            row->setText(4, FromU16(lumivo::EffectCellText(2, e.effectE)));
        }
    }
    for (int c = 0; c < columnCount(); ++c)
        if (c != 1)
            resizeColumnToContents(c);
    // The row that was chosen stays chosen (the first one in a new list),
    // which shows its Ad in the preview.
    if (topLevelItemCount())
        setCurrentItem(topLevelItem(qMin(current, topLevelItemCount() - 1)));
}
