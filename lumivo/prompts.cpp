// SPDX-License-Identifier: GPL-2.0-or-later
#include "prompts.h"

#include "ui/new_project_dlg.h"

#include <serio/widgets/url_file_down_dlg.h>

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QPushButton>
#include <QUrl>

CPrompts CPrompts::Interactive(std::function<QWidget*()> parent)
{
    CPrompts p;
    p.titledMessage = [parent](Icon icon, const QString& caption, const QString& text) {
        // Over the active dialog (the Ad editor's messages), else the main window.
        QWidget* over = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : parent();
        QMessageBox box(over);
        box.setWindowTitle(caption);
        box.setText(text);
        box.setIcon(icon == Icon::Error         ? QMessageBox::Critical
                    : icon == Icon::Warning     ? QMessageBox::Warning
                    : icon == Icon::Information ? QMessageBox::Information
                                                : QMessageBox::NoIcon);
        box.exec();
    };
    p.message = [show = p.titledMessage](Icon icon, const QString& text) { show(icon, QStringLiteral("lumivo"), text); };
    p.askYesNo = [parent](const QString& caption, const QString& text) {
        // Y and N answer: the buttons' mnemonics work without Alt in a message box.
        QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, parent());
        box.button(QMessageBox::Yes)->setText(QStringLiteral("&Yes"));
        box.button(QMessageBox::No)->setText(QStringLiteral("&No"));
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    };
    p.askRetry = [parent](const QString& caption, const QString& text) {
        return QMessageBox::warning(parent(), caption, text, QMessageBox::Retry | QMessageBox::Cancel,
                                    QMessageBox::Retry) == QMessageBox::Retry;
    };
    p.askSaveChanges = [parent](const QString& title) {
        const auto b = QMessageBox::question(parent(), QStringLiteral("lumivo"),
                                             QStringLiteral("Save changes to %1?").arg(title),
                                             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                             QMessageBox::Yes);
        return b == QMessageBox::Yes ? SaveAnswer::Save : b == QMessageBox::No ? SaveAnswer::Discard : SaveAnswer::Cancel;
    };
    p.openFileName = [parent](const QString& folder) {
        return QFileDialog::getOpenFileName(parent(), QString(), folder,
                                            QStringLiteral("Lumivo project (*.qvndoc);;All files (*)"));
    };
    p.saveFileName = [parent](const QString& proposed) {
        return QFileDialog::getSaveFileName(parent(), QString(), proposed,
                                            QStringLiteral("Lumivo project (*.qvndoc)"));
    };
    p.newProject = [parent](unsigned sequence, NewProjectResult& result) {
        CNewProjectDlg dlg(sequence, parent());
        if (dlg.exec() != QDialog::Accepted)
            return false;
        result = dlg.Result();
        return true;
    };
    p.download = [parent](const QString& url, const QString& path) {
        CUrlFileDownDlg dlg(url, path, parent());
        dlg.SetAutoStart(1);
        dlg.SetAutoClose(1);
        // With auto-close the dialog ends with OK even after a failure.
        return dlg.exec() == QDialog::Accepted && dlg.Succeeded();
    };
    p.openFile = [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    return p;
}
