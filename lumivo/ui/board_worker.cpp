// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/board_worker.h"

#include <serio/widgets/serial_dialogs.h>

#include <QCoreApplication>
#include <QWidget>

namespace {

QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

} // namespace

void CWindowBoardUi::OnGui(const std::function<void()>& fn)
{
    if (!m_gui)
        return;
    if (QThread::currentThread() == m_gui->thread())
        fn();
    else
        QMetaObject::invokeMethod(m_gui, fn, Qt::BlockingQueuedConnection);
}

void CWindowBoardUi::LaterOnGui(std::function<void()> fn)
{
    if (m_gui)
        QMetaObject::invokeMethod(m_gui, std::move(fn), Qt::QueuedConnection);
}

bool CWindowBoardUi::AskRetry(const std::string& text, const std::string& caption)
{
    bool retry = false;
    OnGui([&] {
        if (!m_cancelled && m_hooks.askRetry)
            retry = m_hooks.askRetry(FromUtf8(caption), FromUtf8(text));
    });
    return retry && !m_cancelled;
}

bool CWindowBoardUi::AskYesNo(const std::string& text, const std::string& caption)
{
    bool yes = false;
    OnGui([&] {
        if (!m_cancelled && m_hooks.askYesNo)
            yes = m_hooks.askYesNo(FromUtf8(caption), FromUtf8(text));
    });
    return yes && !m_cancelled;
}

void CWindowBoardUi::ShowMessage(const std::string& text, const std::string& caption, lumivo::MessageIcon icon)
{
    m_messageShown = true;
    OnGui([&] {
        if (!m_cancelled && m_hooks.message)
            m_hooks.message(icon, FromUtf8(caption), FromUtf8(text));
    });
}

bool CWindowBoardUi::EditModuleState(lumivo::CModuleStateModel& model)
{
    bool ok = false;
    OnGui([&] {
        if (!m_cancelled && m_hooks.editModuleState)
            ok = m_hooks.editModuleState(model);
    });
    return ok && !m_cancelled;
}

bool CWindowBoardUi::MayReplaceAds()
{
    bool may = true;
    OnGui([&] {
        if (m_hooks.mayReplaceAds)
            may = !m_cancelled && m_hooks.mayReplaceAds();
    });
    return may && !m_cancelled;
}

void CWindowBoardUi::ShowWait(bool shown)
{
    LaterOnGui([this, shown] {
        if (m_hooks.showWait)
            m_hooks.showWait(shown);
    });
}

void CWindowBoardUi::BringToFront()
{
    LaterOnGui([this] {
        if (m_hooks.bringToFront)
            m_hooks.bringToFront();
    });
}

void CWindowBoardUi::ResizePreview(int moduleColumns, int moduleRows)
{
    LaterOnGui([this, moduleColumns, moduleRows] {
        if (m_hooks.resizePreview)
            m_hooks.resizePreview(moduleColumns, moduleRows);
    });
}

CGuiProgressOwner::CGuiProgressOwner(QWidget* owner)
    : m_owner(owner), m_widgets(std::make_unique<CPacketOwnerWidget>(owner))
{
}

CGuiProgressOwner::~CGuiProgressOwner() = default;

void CGuiProgressOwner::SetCancelHandler(std::function<void()> onCancel)
{
    m_widgets->SetCancelHandler(std::move(onCancel));
}

std::unique_ptr<serio::ISerialProgress> CGuiProgressOwner::CreateProgressWindow(const char* title, DWORD dwTotal)
{
    std::unique_ptr<serio::ISerialProgress> window;
    if (!m_owner)
        return window;
    auto make = [&] { window = m_widgets->CreateProgressWindow(title, dwTotal); };
    if (QThread::currentThread() == m_owner->thread())
        make();
    else
        QMetaObject::invokeMethod(m_owner, make, Qt::BlockingQueuedConnection);
    return window;
}

CBoardWorker::CBoardWorker(CPacket& packet, CWindowBoardUi& ui, serio::IPacketOwner* progressOwner,
                           lumivo::CTraceLog* trace)
    : m_ui(ui), m_session(packet, ui)
{
    m_session.SetProgressOwner(progressOwner);
    m_session.SetTrace(trace);
}

// The program's end is the caller's: it sends the closing command itself
// once the thread has stopped.
CBoardWorker::~CBoardWorker() = default;

void CBoardWorker::Run(BoardJob job, std::vector<BYTE> adBlob, std::vector<BYTE> imageBlob)
{
    lumivo::CStagedBoardDocument document(std::move(adBlob), std::move(imageBlob));
    m_session.SetDocument(&document);
    m_ui.TakeMessageShown();
    BoardOutcome out;
    out.job = job;
    switch (job) {
    case BoardJob::Connect:
        out.result = m_session.Connect();
        break;
    case BoardJob::Send:
        out.result = m_session.Send();
        break;
    case BoardJob::Disconnect:
        m_session.Disconnect();
        out.result = lumivo::BoardResult::Ok;
        break;
    case BoardJob::ModuleState:
        out.result = m_session.ModuleState();
        break;
    case BoardJob::UserImages:
        out.result = m_session.SendUserImages();
        break;
    }
    m_session.SetDocument(nullptr);
    out.error = m_session.LastError();
    out.connected = m_session.IsConnected();
    out.messageShown = m_ui.TakeMessageShown();
    out.openError = job == BoardJob::Connect ? m_session.LastOpenError() : 0;
    out.moduleInfo = m_session.ModuleInfo();
    out.settings = m_session.Settings();
    out.readBack = document.ReadBack();
    out.notes = document.Notes();
    if (doneContext && done)
        QMetaObject::invokeMethod(doneContext, [cb = done, out] { cb(out); }, Qt::QueuedConnection);
}
