// SPDX-License-Identifier: GPL-2.0-or-later
// A started program for a test: its own folder, settings file, instance key
// and trace; every question answered in code and every message recorded.
#pragma once

#include "app/commands.h"
#include "core/item_builder.h"
#include "app/lumivo_app.h"
#include "lumivo_doc.h"
#include "ui/main_frame.h"
#include "ui/new_project_dlg.h"

#include <common/globalization.h>

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <functional>
#include <optional>

// A one-line Text item built as the Ad editor builds it.
inline CLumivo TextItem(const char16_t* text)
{
    lumivo::ItemChoices spec;
    spec.type = LUMIVO_TEXT;
    spec.text = text;
    spec.lines = 1;
    CLumivo item;
    EXPECT_TRUE(lumivo::BuildItem(spec, item).ok());
    return item;
}

// The menu command that selects a language of the list; -1 when not listed.
inline int LanguageCommand(const char16_t* name)
{
    const auto list = CGlobalization::GetLangList();
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i] == name)
            return lumivo::cmd::kFirstLanguage + int(i);
    return -1;
}

// Runs the event loop until the condition holds or the time is up.
inline bool WaitFor(const std::function<bool()>& condition, int ms = 15000)
{
    QDeadlineTimer deadline(ms);
    while (!condition() && !deadline.hasExpired())
        QTest::qWait(10);
    return condition();
}

class AppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_oldCwd = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
        options.instanceKey = QStringLiteral("lumivo-test-") + QUuid::createUuid().toString(QUuid::Id128);
        options.settingsFile = m_dir.filePath(QStringLiteral("settings.ini"));
        options.traceFile = m_dir.filePath(QStringLiteral("trace.log"));
        options.stateDir = m_dir.filePath(QStringLiteral("state"));
        options.tryRealtime = false;
        options.showWindow = false;
        options.interactive = false;
        options.contentLoader = [](int) { return std::optional<std::vector<uint8_t>>(); };
        InstallPrompts();
    }

    void TearDown() override
    {
        App().ExitInstance();
        QDir::setCurrent(m_oldCwd);
    }

    static CLumivoApp& App() { return *CLumivoApp::Instance(); }

    void InstallPrompts()
    {
        CPrompts& p = App().Prompts();
        p.message = [this](CPrompts::Icon, const QString& text) { messages.append(text); };
        p.askYesNo = [this](const QString&, const QString& text) {
            questions.append(text);
            return answerYes;
        };
        p.askSaveChanges = [this](const QString&) { return saveAnswer; };
        p.askChoice = [this](const QString&, const QString& text, const QStringList&) {
            questions.append(text);
            return choiceAnswer;
        };
        p.openFileName = [this](const QString&) { return openPath; };
        p.saveFileName = [this](const QString& proposed) {
            saveProposals.append(proposed);
            return savePaths.isEmpty() ? savePath : savePaths.takeFirst();
        };
        p.askRecover = [this](const QString& title, const QDateTime& time) {
            recoverQuestions.append({title, time});
            return recoverAnswer;
        };
        p.newProject = [this](unsigned sequence, NewProjectResult& r) {
            newProjectCalls.append(sequence);
            if (!newProject)
                return false;
            r = *newProject;
            return true;
        };
        p.download = [this](const QString& url, const QString& path) {
            downloads.append({url, path});
            if (!downloadWrites)
                return false;
            QFile f(path);
            return f.open(QIODevice::WriteOnly) && f.write("update") == 6;
        };
        p.openFile = [this](const QString& path) {
            opened.append(path);
            return true;
        };
        App().quitForUpdate = [this] { ++quitRequests; };
    }

    bool Start()
    {
        InstallPrompts();
        return App().InitInstance(options);
    }

    // Starts with the window shown and active, so that the window's keys
    // reach it; null when it could not.
    CMainFrame* StartActiveWindow()
    {
        options.showWindow = true;
        if (!Start())
            return nullptr;
        CMainFrame* frame = App().MainFrame();
        frame->activateWindow();
        return QTest::qWaitForWindowActive(frame) ? frame : nullptr;
    }

    QString Path(const QString& name) const { return m_dir.filePath(name); }
    QSettings StoredSettings() const { return QSettings(options.settingsFile, QSettings::IniFormat); }

    AppOptions options;
    QStringList messages;
    QStringList questions;
    bool answerYes = false;
    CPrompts::SaveAnswer saveAnswer = CPrompts::SaveAnswer::Discard;
    int choiceAnswer = -1; // the button askChoice answers with; -1 as if closed
    QString openPath;
    QString savePath;
    QStringList savePaths;     // answered first, one per question, before savePath
    QStringList saveProposals; // what each Save As proposed
    QList<QPair<QString, QDateTime>> recoverQuestions;
    CPrompts::RecoverAnswer recoverAnswer = CPrompts::RecoverAnswer::Later;
    QList<unsigned> newProjectCalls;
    std::optional<NewProjectResult> newProject;
    QList<QPair<QString, QString>> downloads;
    bool downloadWrites = true;
    QStringList opened;
    int quitRequests = 0;

private:
    QTemporaryDir m_dir;
    QString m_oldCwd;
};
