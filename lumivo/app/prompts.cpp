// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/prompts.h"

#include "core/item_text.h"
#include "ui/new_project_dlg.h"
#include "ui/qt_text.h"

#include <serio/widgets/url_file_down_dlg.h>

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QPushButton>
#include <QUrl>

namespace {

// A question whose buttons say what they do: the first is the default,
// the last the one Escape chooses. Returns the index of the answer, -1 when
// none was given.
int AskButtons(QWidget* over, const QString& caption, const QString& text, const QStringList& buttons)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, over);
    QList<QAbstractButton*> added;
    for (int i = 0; i < buttons.size(); ++i) {
        const auto role = i == 0                  ? QMessageBox::AcceptRole
                          : i + 1 == buttons.size() ? QMessageBox::RejectRole
                                                    : QMessageBox::DestructiveRole;
        added.append(box.addButton(buttons[i], role));
    }
    if (!added.isEmpty()) {
        box.setDefaultButton(qobject_cast<QPushButton*>(added.front()));
        box.setEscapeButton(added.back());
    }
    box.exec();
    return int(added.indexOf(box.clickedButton()));
}

// The standard buttons in the interface language (Qt's own labels where a
// language file lacks one); the mnemonics Y, N and R are the same in each.
int Ask(QMessageBox& box)
{
    static const struct {
        QMessageBox::StandardButton button;
        const char* key;
    } labels[] = {{QMessageBox::Ok, "btnOk"},   {QMessageBox::Cancel, "btnCancel"}, {QMessageBox::Yes, "btnYes"},
                  {QMessageBox::No, "btnNo"}, {QMessageBox::Retry, "btnRetry"}};
    for (const auto& l : labels) {
        const QString text = lumivo::Tr("DialogCommon", l.key);
        if (QAbstractButton* b = box.button(l.button); b && !text.isEmpty())
            b->setText(text);
    }
    return box.exec();
}

} // namespace

CPrompts CPrompts::Interactive(std::function<QWidget*()> parent)
{
    CPrompts p;
    p.titledMessage = [parent](Icon icon, const QString&, const QString& text) {
        // Over the active dialog (the Ad editor's messages), else the main window.
        QWidget* over = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : parent();
        QMessageBox box(over);
        // Every box is titled with the program; what it is about is in its text.
        box.setWindowTitle(Caption());
        box.setText(text);
        // The text can be copied: a device path, a command or a udev rule
        // to paste into a terminal.
        box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        box.setIcon(icon == Icon::Error         ? QMessageBox::Critical
                    : icon == Icon::Warning     ? QMessageBox::Warning
                    : icon == Icon::Information ? QMessageBox::Information
                                                : QMessageBox::NoIcon);
        Ask(box);
    };
    p.message = [show = p.titledMessage](Icon icon, const QString& text) { show(icon, Caption(), text); };
    p.askYesNo = [parent](const QString&, const QString& text) {
        // Y and N answer: the buttons' mnemonics work without Alt in a message box.
        QMessageBox box(QMessageBox::Question, Caption(), text, QMessageBox::Yes | QMessageBox::No, parent());
        box.setDefaultButton(QMessageBox::No);
        return Ask(box) == QMessageBox::Yes;
    };
    p.askRetry = [parent](const QString&, const QString& text) {
        QMessageBox box(QMessageBox::Warning, Caption(), text, QMessageBox::Retry | QMessageBox::Cancel, parent());
        box.setDefaultButton(QMessageBox::Retry);
        return Ask(box) == QMessageBox::Retry;
    };
    p.askSaveChanges = [parent](const QString& title) {
        const QString text = lumivo::FromU16(lumivo::FormatText(lumivo::LangText("Format", "fmtSaveChanges"),
                                                                {title.toStdU16String()}));
        // Buttons named for what they do; Escape is Cancel.
        const int answer = AskButtons(parent(), Caption(), text,
                                      {lumivo::Tr("Program", "SaveSave"), lumivo::Tr("Program", "SaveDiscard"),
                                       lumivo::Tr("DialogCommon", "btnCancel")});
        return answer == 0 ? SaveAnswer::Save : answer == 1 ? SaveAnswer::Discard : SaveAnswer::Cancel;
    };
    p.askRecover = [parent](const QString& title, const QDateTime& time) {
        const QString text = lumivo::FromU16(lumivo::FormatText(
            lumivo::LangText("Document", "RecoverQuestion"),
            {title.toStdU16String(), time.toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdU16String()}))
                                 .replace(QLatin1String("\\n"), QLatin1String("\n"));
        const int answer = AskButtons(parent(), Caption(), text,
                                      {lumivo::Tr("Document", "BtnRecover"), lumivo::Tr("Document", "BtnDiscard"),
                                       lumivo::Tr("Document", "BtnLater")});
        return answer == 0 ? RecoverAnswer::Recover : answer == 1 ? RecoverAnswer::Discard : RecoverAnswer::Later;
    };
    p.openFileName = [parent](const QString& folder) {
        return QFileDialog::getOpenFileName(parent(), QString(), folder,
                                            lumivo::Tr("Program", "FileFilter") + QStringLiteral(";;") +
                                                lumivo::Tr("Program", "AllFiles"));
    };
    p.saveFileName = [parent](const QString& proposed) {
        return QFileDialog::getSaveFileName(parent(), QString(), proposed, lumivo::Tr("Program", "FileFilter"));
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
    p.askChoice = [parent](const QString& caption, const QString& text, const QStringList& buttons) {
        QWidget* over = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : parent();
        return AskButtons(over, caption, text, buttons);
    };
    p.openUrl = [](const QString& url) { return QDesktopServices::openUrl(QUrl(url)); };
    return p;
}
