// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/autosave.h"

#include "lumivo_doc.h"
#include "ui/qt_text.h"

#include <QDateTime>
#include <QFile>

CAutosave::CAutosave(CLumivoDoc& doc, lumivo::CRecoveryStore store, int periodMs, QObject* parent)
    : QObject(parent), m_doc(doc), m_store(std::move(store))
{
    m_timer.setInterval(periodMs);
    connect(&m_timer, &QTimer::timeout, this, &CAutosave::WriteNow);
    if (periodMs > 0)
        m_timer.start();
    // Whatever made the project clean, the copy holds nothing to recover.
    connect(&doc, &CLumivoDoc::modifiedChanged, this, [this](bool modified) {
        if (!modified)
            m_store.Remove();
    });
    connect(&doc, &CLumivoDoc::saved, this, [this] { m_store.Remove(); });
}

CAutosave::~CAutosave() { m_store.Remove(); }

void CAutosave::WriteNow()
{
    if (!m_doc.IsModified())
        return;
    // A failed copy is no reason to disturb the user's work: the next
    // period tries again.
    m_store.Write(m_doc.Core().Serialize(), QFile::encodeName(m_doc.PathName()).toStdString(),
                  m_doc.Title().toStdString(), QDateTime::currentSecsSinceEpoch());
}

bool CAutosave::OfferRecovery(CPrompts& prompts)
{
    if (!prompts.askRecover)
        return false;
    for (const lumivo::RecoveryCopy& copy : m_store.Others()) {
        const QString title = QString::fromStdString(copy.title);
        const QDateTime time = QDateTime::fromSecsSinceEpoch(copy.savedAt);
        switch (prompts.askRecover(title, time)) {
        case CPrompts::RecoverAnswer::Later:
            continue;
        case CPrompts::RecoverAnswer::Discard:
            lumivo::CRecoveryStore::Discard(copy);
            continue;
        case CPrompts::RecoverAnswer::Recover:
            break;
        }
        if (!m_doc.OnOpenDocument(QString::fromStdString(copy.data.string())))
            return false; // the reason was shown; the copy stays for another try
        m_doc.SetPathName(QFile::decodeName(copy.project.c_str()));
        m_doc.SetModifiedFlag(true);
        // Ours holds the changes now, before the old one goes.
        WriteNow();
        lumivo::CRecoveryStore::Discard(copy);
        return true;
    }
    return false;
}
