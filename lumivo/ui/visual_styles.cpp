// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/visual_styles.h"

#include "ui/qt_text.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>

namespace lumivo {

namespace {

struct Look {
    const char* key;       // its name in section "Styles"
    const char* window;    // window and panel background
    const char* ribbon;    // ribbon background
    const char* panel;     // panel face
    const char* border;    // panel border
    const char* text;      // text on the ribbon
    const char* accent;    // selected tab, hovered button
};

const Look kLooks[] = {
    {"Blue", "#dfe9f5", "#c4d8f0", "#d7e5f7", "#8db2e3", "#15428b", "#ffd86a"},
    {"Black", "#535353", "#3b3b3b", "#4a4a4a", "#2a2a2a", "#f0f0f0", "#f7b93c"},
    {"Silver", "#e9ecf0", "#d5dae1", "#e4e8ed", "#a7b0bc", "#3b3b3b", "#ffd86a"},
    {"Aqua", "#dbe7ee", "#b9d3e0", "#cfe0ea", "#7ea6bd", "#1f4a63", "#9fe0f5"},
    {"Light", "#f0f0f0", "#f5f6f7", "#ffffff", "#b9c9da", "#1e395b", "#c8dff8"},
};

const Look& LookOf(int command)
{
    if (!IsStyleCommand(command))
        command = kDefaultStyleCommand;
    return kLooks[command - kFirstStyleCommand];
}

} // namespace

bool IsStyleCommand(int command) { return command >= kFirstStyleCommand && command <= kLastStyleCommand; }

QString StyleName(int command)
{
    return IsStyleCommand(command) ? Tr("Styles", kLooks[command - kFirstStyleCommand].key) : QString();
}

QString StyleSheet(int command)
{
    const Look& l = LookOf(command);
    return QStringLiteral(
               "QMainWindow, QDialog { background: %1; }"
               "#RibbonBar { background: %2; }"
               "#RibbonBar QTabBar::tab { background: %2; color: %5; padding: 4px 12px; border: 1px solid transparent; }"
               "#RibbonBar QTabBar::tab:selected { background: %3; border: 1px solid %4; border-bottom: none; }"
               "#RibbonPanel { background: %3; border: 1px solid %4; border-radius: 3px; }"
               "#RibbonPanel QToolButton, #RibbonBar QToolButton { color: %5; }"
               "#RibbonPanel QToolButton:hover, #RibbonBar QToolButton:hover { background: %6; }"
               "#RibbonPanel QToolButton:checked { background: %6; color: #202020; border: 1px solid %4; }"
               "#RibbonPanel QToolButton:disabled { color: %4; }"
               "#RibbonPanelTitle { color: %5; }"
               "#RibbonAppButton { background: %4; color: %5; font-weight: bold; padding: 4px 10px; border-radius: 3px; }"
               "QDockWidget::title { background: %2; color: %5; padding: 3px; }"
               "QStatusBar { background: %2; color: %5; }")
        .arg(QLatin1String(l.window), QLatin1String(l.ribbon), QLatin1String(l.panel), QLatin1String(l.border),
             QLatin1String(l.text), QLatin1String(l.accent));
}

namespace {

// Dialogs offer no maximise button: they are laid out for their contents.
class CDialogConventions final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Polish)
            if (auto* dlg = qobject_cast<QDialog*>(watched); dlg && dlg->isWindow()) {
                Qt::WindowFlags f = dlg->windowFlags();
                if (!(f & Qt::CustomizeWindowHint))
                    f |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint;
                f &= ~(Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
                if (f != dlg->windowFlags())
                    dlg->setWindowFlags(f);
            }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void InstallDialogConventions()
{
    static CDialogConventions* installed = nullptr;
    if (installed || !qApp)
        return;
    installed = new CDialogConventions(qApp);
    qApp->installEventFilter(installed);
}

} // namespace lumivo
