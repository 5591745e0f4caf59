// SPDX-License-Identifier: GPL-2.0-or-later
// A ribbon bar: an application button with its menu, then tabs (categories)
// of panels, each panel a row of tool buttons over its caption. Buttons are
// views of QActions, so enabling, checking and re-labelling an action shows
// at once wherever it appears.
#pragma once

#include <QFrame>
#include <QList>
#include <QWidget>

class QAction;
class QHBoxLayout;
class QLabel;
class QMenu;
class QStackedWidget;
class QTabBar;
class QToolButton;

class CRibbonPanel : public QFrame {
    Q_OBJECT
public:
    explicit CRibbonPanel(QWidget* parent = nullptr);
    void SetTitle(const QString& title);
    QString Title() const;
    // large: a column of its own, icon above the text; small buttons stack
    // three to a column, text beside the icon.
    QToolButton* AddAction(QAction* action, bool large = true);
    QList<QToolButton*> Buttons() const { return m_buttons; }

private:
    QHBoxLayout* m_row;
    class QVBoxLayout* m_smallColumn = nullptr;
    int m_smallCount = 0;
    QLabel* m_title;
    QList<QToolButton*> m_buttons;
};

class CRibbonBar : public QWidget {
    Q_OBJECT
public:
    explicit CRibbonBar(QWidget* parent = nullptr);

    QToolButton* ApplicationButton() const { return m_appButton; }
    void SetApplicationMenu(QMenu* menu);
    void SetApplicationText(const QString& text, const QString& toolTip);

    // A new tab with its name; returns its index.
    int AddCategory(const QString& name);
    void SetCategoryName(int index, const QString& name);
    QString CategoryName(int index) const;
    int CategoryCount() const;
    CRibbonPanel* AddPanel(int category, const QString& title);
    QList<CRibbonPanel*> Panels(int category) const;
    // Lays the panels out again after their texts changed length.
    void Relayout();
    // Buttons at the right end of the tab row (style, language, about).
    QToolButton* AddCornerAction(QAction* action);
    // Icon buttons beside the application button (undo, redo): the
    // quick-access strip, always in view whatever tab is open.
    QToolButton* AddQuickAccessAction(QAction* action);
    QList<QToolButton*> QuickAccessButtons() const { return m_quickButtons; }

private:
    QToolButton* m_appButton;
    QHBoxLayout* m_quick;
    QList<QToolButton*> m_quickButtons;
    QTabBar* m_tabs;
    QHBoxLayout* m_corner;
    QStackedWidget* m_pages;
};
