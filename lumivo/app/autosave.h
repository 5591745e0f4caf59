// SPDX-License-Identifier: GPL-2.0-or-later
// CAutosave: while the document has unsaved changes, writes a recovery copy
// of it every period; a clean state (saved, undone to the saved state, a
// new or opened project) and a clean end remove the copy. It also offers,
// at start-up, the copies that programs which did not end cleanly left.
#pragma once

#include "core/recovery.h"
#include "app/prompts.h"

#include <QObject>
#include <QTimer>

class CLumivoDoc;

class CAutosave : public QObject {
    Q_OBJECT
public:
    // The period in ms; 0 writes no copies (offering old ones still works).
    CAutosave(CLumivoDoc& doc, lumivo::CRecoveryStore store, int periodMs, QObject* parent = nullptr);
    // A clean end: the copy goes.
    ~CAutosave() override;

    // Writes the copy now when the document has unsaved changes.
    void WriteNow();
    // Asks about each copy other sessions left, newest first, until one is
    // recovered: Recover loads it (under its project's path, modified),
    // Discard deletes it, Later keeps it for the next start. Returns true
    // when a copy was recovered.
    bool OfferRecovery(CPrompts& prompts);

    const lumivo::CRecoveryStore& Store() const { return m_store; }
    int PeriodMs() const { return m_timer.interval(); }

private:
    CLumivoDoc& m_doc;
    lumivo::CRecoveryStore m_store;
    QTimer m_timer;
};
