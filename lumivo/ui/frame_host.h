// SPDX-License-Identifier: GPL-2.0-or-later
// IFrameHost: what the main window asks of the program that owns it (the
// File commands, recent files, prompts and the trace). The window knows only
// this, so the program and its window do not include each other.
#pragma once

#include <QString>
#include <QStringList>

class CPrompts;

class IFrameHost {
public:
    virtual void OnFileNew() = 0;
    virtual void OnFileOpen() = 0;
    virtual bool OpenDocumentFile(const QString& path) = 0;
    virtual void OpenRecentFile(const QString& path) = 0;
    virtual bool OnFileSave() = 0;
    virtual bool OnFileSaveAs() = 0;
    virtual void OnAppAbout() = 0;
    // Asks to save a modified document; false when the user cancelled.
    virtual bool SaveModified() = 0;
    virtual QStringList RecentFiles() const = 0;
    virtual CPrompts& Prompts() = 0;
    virtual const QString& TraceFile() const = 0;

protected:
    ~IFrameHost() = default;
};
