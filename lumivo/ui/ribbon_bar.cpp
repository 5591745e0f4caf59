// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/ribbon_bar.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

CRibbonPanel::CRibbonPanel(QWidget* parent) : QFrame(parent), m_row(new QHBoxLayout), m_title(new QLabel(this))
{
    setObjectName(QStringLiteral("RibbonPanel"));
    setFrameShape(QFrame::StyledPanel);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 2, 4, 2);
    column->setSpacing(1);
    m_row->setSpacing(2);
    column->addLayout(m_row, 1);
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setObjectName(QStringLiteral("RibbonPanelTitle"));
    column->addWidget(m_title);
}

void CRibbonPanel::SetTitle(const QString& title) { m_title->setText(title); }

QString CRibbonPanel::Title() const { return m_title->text(); }

QToolButton* CRibbonPanel::AddAction(QAction* action, bool large)
{
    auto* b = new QToolButton(this);
    b->setDefaultAction(action);
    b->setAutoRaise(true);
    b->setToolButtonStyle(large ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonTextBesideIcon);
    b->setIconSize(large ? QSize(32, 32) : QSize(16, 16));
    if (action->menu())
        b->setPopupMode(QToolButton::InstantPopup);
    // Never narrower than its text: the window grows instead of cutting labels.
    b->setSizePolicy(QSizePolicy::Minimum, large ? QSizePolicy::Expanding : QSizePolicy::Fixed);
    if (large) {
        m_row->addWidget(b);
        m_smallColumn = nullptr;
    } else {
        if (!m_smallColumn || m_smallCount == 3) {
            m_smallColumn = new QVBoxLayout;
            m_smallColumn->setSpacing(0);
            m_smallColumn->addStretch(1);
            m_row->addLayout(m_smallColumn);
            m_smallCount = 0;
        }
        m_smallColumn->insertWidget(m_smallColumn->count() - 1, b);
        ++m_smallCount;
    }
    m_buttons.append(b);
    return b;
}

CRibbonBar::CRibbonBar(QWidget* parent)
    : QWidget(parent), m_appButton(new QToolButton(this)), m_quick(new QHBoxLayout), m_tabs(new QTabBar(this)),
      m_corner(new QHBoxLayout), m_pages(new QStackedWidget(this))
{
    setObjectName(QStringLiteral("RibbonBar"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* top = new QHBoxLayout;
    top->setSpacing(4);
    m_appButton->setObjectName(QStringLiteral("RibbonAppButton"));
    m_appButton->setPopupMode(QToolButton::InstantPopup);
    m_appButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    top->addWidget(m_appButton);
    m_quick->setSpacing(0);
    top->addLayout(m_quick);
    m_tabs->setDrawBase(false);
    m_tabs->setExpanding(false);
    top->addWidget(m_tabs);
    top->addStretch(1);
    top->addLayout(m_corner);
    column->addLayout(top);
    column->addWidget(m_pages);
    connect(m_tabs, &QTabBar::currentChanged, m_pages, &QStackedWidget::setCurrentIndex);
}

void CRibbonBar::SetApplicationMenu(QMenu* menu) { m_appButton->setMenu(menu); }

void CRibbonBar::SetApplicationText(const QString& text, const QString& toolTip)
{
    m_appButton->setText(text);
    m_appButton->setToolTip(toolTip);
}

int CRibbonBar::AddCategory(const QString& name)
{
    auto* page = new QWidget;
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(3);
    row->addStretch(1);
    m_pages->addWidget(page);
    return m_tabs->addTab(name);
}

void CRibbonBar::SetCategoryName(int index, const QString& name) { m_tabs->setTabText(index, name); }

QString CRibbonBar::CategoryName(int index) const { return m_tabs->tabText(index); }

int CRibbonBar::CategoryCount() const { return m_tabs->count(); }

CRibbonPanel* CRibbonBar::AddPanel(int category, const QString& title)
{
    QWidget* page = m_pages->widget(category);
    if (!page)
        return nullptr;
    auto* row = static_cast<QHBoxLayout*>(page->layout());
    auto* panel = new CRibbonPanel(page);
    panel->SetTitle(title);
    row->insertWidget(row->count() - 1, panel); // before the closing stretch
    return panel;
}

QList<CRibbonPanel*> CRibbonBar::Panels(int category) const
{
    QWidget* page = m_pages->widget(category);
    QList<CRibbonPanel*> panels;
    if (page)
        panels = page->findChildren<CRibbonPanel*>(Qt::FindDirectChildrenOnly);
    return panels;
}

QToolButton* CRibbonBar::AddCornerAction(QAction* action)
{
    auto* b = new QToolButton(this);
    b->setDefaultAction(action);
    b->setAutoRaise(true);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    if (action->menu())
        b->setPopupMode(QToolButton::InstantPopup);
    m_corner->addWidget(b);
    return b;
}

QToolButton* CRibbonBar::AddQuickAccessAction(QAction* action)
{
    auto* b = new QToolButton(this);
    b->setDefaultAction(action);
    b->setAutoRaise(true);
    b->setToolButtonStyle(Qt::ToolButtonIconOnly);
    b->setIconSize(QSize(16, 16));
    b->setFocusPolicy(Qt::NoFocus); // the keys keep their place in the list
    m_quick->addWidget(b);
    m_quickButtons.append(b);
    return b;
}

void CRibbonBar::Relayout()
{
    for (int i = 0; i < m_pages->count(); ++i) {
        QWidget* page = m_pages->widget(i);
        for (CRibbonPanel* panel : Panels(i)) {
            for (QToolButton* b : panel->Buttons())
                b->updateGeometry();
            panel->layout()->invalidate();
            panel->layout()->activate();
        }
        page->layout()->invalidate();
        page->layout()->activate();
    }
    layout()->invalidate();
    layout()->activate();
}
