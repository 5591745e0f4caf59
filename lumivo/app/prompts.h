// SPDX-License-Identifier: GPL-2.0-or-later
// Every question and message the program puts to the user goes through
// here, so tests answer them in code instead of in modal boxes.
#pragma once

#include <QDateTime>
#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <functional>

struct NewProjectResult;
class QWidget;

struct CPrompts {
    enum class Icon { None, Information, Warning, Error };
    enum class SaveAnswer { Save, Discard, Cancel };
    enum class RecoverAnswer { Recover, Discard, Later };

    std::function<void(Icon, const QString& text)> message;
    // A message under a caption of its own; Show() falls back to message.
    std::function<void(Icon, const QString& caption, const QString& text)> titledMessage;
    std::function<bool(const QString& caption, const QString& text)> askYesNo;
    // A Retry/Cancel box: true for Retry.
    std::function<bool(const QString& caption, const QString& text)> askRetry;
    std::function<SaveAnswer(const QString& documentTitle)> askSaveChanges;
    std::function<QString(const QString& startFolder)> openFileName;
    std::function<QString(const QString& proposedPath)> saveFileName;
    // Runs the new-project dialog; false when it was cancelled.
    std::function<bool(unsigned sequence, NewProjectResult& result)> newProject;
    // Downloads url to path in the download dialog; true when it ended with OK.
    std::function<bool(const QString& url, const QString& path)> download;
    // A recovery copy of the project named, made at time, was left by a
    // program that did not end cleanly: what to do with it.
    std::function<RecoverAnswer(const QString& projectTitle, const QDateTime& time)> askRecover;
    // Opens a downloaded file with the desktop's handler for it.
    std::function<bool(const QString& path)> openFile;
    // A question with buttons of its own, the first the default and the last
    // the one Escape chooses: the index of the answer, -1 when unanswered.
    std::function<int(const QString& caption, const QString& text, const QStringList& buttons)> askChoice;
    // Opens an address (the manual) in the desktop's viewer for it.
    std::function<bool(const QString& url)> openUrl;

    // A message with a caption, through titledMessage or else message.
    void Show(Icon icon, const QString& caption, const QString& text) const
    {
        if (titledMessage)
            titledMessage(icon, caption, text);
        else if (message)
            message(icon, text);
    }

    // The caption of the program's message boxes.
    static QString Caption() { return QStringLiteral("Lumivo"); }

    // The interactive answers: message boxes and dialogs over parent.
    static CPrompts Interactive(std::function<QWidget*()> parent);
};
