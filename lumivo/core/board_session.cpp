// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/board_session.h"

#include "core/board_text.h"
#include "core/image_budget.h"
#include "core/project.h"
#include <common/globalization.h>
#include <common/text.h>

#include <exception>

namespace lumivo {
namespace {

using namespace board_cmd;

// Time-outs (ms) and tries of each request.
constexpr int kEnterUpdateMs = 3000, kEnterUpdateTries = 2;
constexpr int kSetClockMs = 2000, kSetClockTries = 2;
constexpr int kModuleInfoMs = 3000, kModuleInfoTries = 3;
constexpr int kBoardInfoMs = 3000, kBoardInfoTries = 3;
constexpr int kSettingsMs = 2000, kSettingsTries = 2;
constexpr int kReadAdsMs = 3000, kReadAdsTries = 1;
constexpr int kReadImagesMs = 10000, kReadImagesTries = 1;
constexpr int kSendAdsMs = 10000, kSendAdsTries = 3;
constexpr int kSendImagesMs = 10000, kSendImagesTries = 3;
constexpr int kImagesDoneMs = 3000, kImagesDoneTries = 1;
constexpr int kGiveUpMs = 50, kGiveUpTries = 5;
constexpr int kDisconnectMs = 100, kDisconnectTries = 1;

constexpr BYTE kAck = 0xFC;

// The steps in plain words (section "Board" of the language files).
constexpr CBoardSession::StepName kStepEnterUpdate{"StepEnterUpdate", "entering update mode"};
constexpr CBoardSession::StepName kStepSetClock{"StepSetClock", "setting the clock"};
constexpr CBoardSession::StepName kStepModuleInfo{"StepModuleInfo", "reading the module information"};
constexpr CBoardSession::StepName kStepReadSettings{"StepReadSettings", "reading the controller settings"};
constexpr CBoardSession::StepName kStepReadAds{"StepReadAds", "reading the stored Ads"};
constexpr CBoardSession::StepName kStepSendAds{"StepSendAds", "sending the Ads"};
constexpr CBoardSession::StepName kStepSendImages{"StepSendImages", "sending the user images"};
constexpr CBoardSession::StepName kStepImagesDone{"StepImagesDone", "closing the user images"};
constexpr CBoardSession::StepName kStepReadImages{"StepReadImages", "reading the user images"};
constexpr CBoardSession::StepName kStepLeaveUpdate{"StepLeaveUpdate", "leaving update mode"};
constexpr CBoardSession::StepName kStepWriteSettings{"StepWriteSettings", "writing the controller settings"};
constexpr size_t kMaxMessageUnits = 1024; // the frame's message buffer

std::string WrongLength(const char* what, size_t got, size_t want)
{
    return std::string(what) + " answer is " + std::to_string(got) + " bytes, not " + std::to_string(want);
}

void ReplaceAll(std::u16string& text, std::u16string_view from, std::u16string_view to)
{
    for (size_t at = text.find(from); at != std::u16string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

} // namespace

std::string DescribeResult(BYTE result)
{
    switch (result) {
    case 0xFC: return "acknowledged";
    case 0xFB: return "no answer";
    case 0xFD: return "an answer to another command";
    case 0: return "failed";
    default: return "result " + std::to_string(result);
    }
}

BoardFromModule BoardValuesOf(const serio::ModuleInfo& info)
{
    static const char kHex[] = "0123456789ABCDEF";
    BoardFromModule b;
    b.moduleRow = info.byModuleRows;
    b.moduleColumn = info.byModuleCols;
    b.language = static_cast<BYTE>(kHex[info.LanguageCode()]);
    b.lumivoRow = static_cast<BYTE>(info.RowCode());
    b.lumivoColumn = static_cast<BYTE>(info.ColumnCode());
    return b;
}

std::string AdCountQuestion(int count)
{
    std::u16string text = CGlobalization::GetText(u"Format", u"fmtLumivoCount");
    if (text.empty())
        text = common::Utf8ToUtf16(kMsgAdCount);
    ReplaceAll(text, u"&&", u"\n");
    ReplaceAll(text, u"\\n", u"\n");
    // The count goes where "%d" is; nothing else of a translated text is
    // taken as a format, so a stray "%s" cannot read what is not there.
    const std::u16string number = common::Utf8ToUtf16(std::to_string(count));
    std::u16string out;
    bool filled = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'%' && i + 1 < text.size()) {
            if (text[i + 1] == u'%') {
                out += u'%';
                ++i;
                continue;
            }
            if (text[i + 1] == u'd' && !filled) {
                out += number;
                filled = true;
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return common::Utf16ToUtf8(out);
}

CBoardSession::CBoardSession(IBoardUi& ui, const IClock& clock)
    : m_ui(ui), m_clock(clock), m_ownPacket(std::make_unique<CPacket>()), m_packet(m_ownPacket.get())
{
}

CBoardSession::CBoardSession(CPacket& packet, IBoardUi& ui, const IClock& clock)
    : m_ui(ui), m_clock(clock), m_packet(&packet)
{
}

CBoardSession::~CBoardSession()
{
    End();
}

void CBoardSession::End()
{
    m_packet->ResetCancel(); // a Cancel given at the end must not hold back the closing command
    if (m_packet->IsOpen()) {
        m_packet->SendPacket(kLeaveUpdate);
        m_packet->Close();
    }
}

void CBoardSession::Trace(const char* text)
{
    if (m_trace)
        m_trace->Trace(text);
}

BYTE CBoardSession::Exchange(BYTE command, const std::vector<BYTE>& payload, int timeoutMs, int tries)
{
    return m_packet->SendPacketAck(command, static_cast<DWORD>(payload.size()), payload.data(), timeoutMs, tries);
}

BYTE CBoardSession::ExchangeWithProgress(BYTE command, const std::vector<BYTE>& payload, int timeoutMs, int tries,
                                         DWORD progressTotal, bool sending, const std::string& status)
{
    m_packet->ShowProgress(progressTotal, sending ? 1 : 0, status);
    const BYTE result = Exchange(command, payload, timeoutMs, tries);
    m_packet->DestoryProgress();
    return result;
}

bool CBoardSession::CheckResult(BYTE result, StepName step, bool explain)
{
    if (result == kAck)
        return true;
    if (explain)
        m_ui.ShowMessage(Explain(FailHeadline(result), step, result), BoardText("CommErrorCaption", kCapCommError),
                         MessageIcon::Stop);
    Note(BoardText(step.key, step.english) + ": " + FaultText(result));
    return false;
}

CBoardSession::StepName CBoardSession::FailHeadline(BYTE result)
{
    return result == serio::kResultNoAnswer ? StepName{"CommTimeout", kMsgCommTimeout}
                                            : StepName{"SendFailed", kMsgSendFailed};
}

// ---- Connection.

BoardResult CBoardSession::Connect()
{
    m_ui.ClearPreview();
    if (IsConnected())
        return BoardResult::AlreadyConnected;
    m_lastError.clear();
    m_ui.LockDrawing(true);
    Trace("Serial Open");
    m_openError = m_packet->Open(m_owner);
    if (m_openError != 0) {
        // Every step would only time out: say which device and why instead
        // (the caller shows it, as for every Failed).
        Note(OpenErrorText(m_packet->GetDeviceName(), m_openError));
        m_ui.LockDrawing(false);
        return BoardResult::Failed;
    }

    if (!RunStep(kStepEnterUpdate, &CBoardSession::EnterUpdate) ||
        !RunStep(kStepSetClock, &CBoardSession::SetClock) ||
        !RunStep(kStepModuleInfo, &CBoardSession::ReadModuleInfo) ||
        !RunStep(kStepReadSettings, &CBoardSession::ReadBoardInfo))
        return BoardResult::Cancelled;

    const int stored = m_moduleInfo.byAdCount;
    if (stored >= 1 && stored <= 50 && m_ui.AskYesNo(AdCountQuestion(stored), kAppTitle) && m_ui.MayReplaceAds()) {
        Trace("Get HangPage data");
        if (!RunStep(kStepReadAds, &CBoardSession::ReadStoredAds))
            return BoardResult::Cancelled;
    }
    Trace("init module info OK\n");
    Trace("Connect: connected to " + BoardName());
    m_ui.LockDrawing(false);
    return BoardResult::Ok;
}

bool CBoardSession::RunStep(StepName name, Step step)
{
    for (;;) {
        BYTE result = 0;
        m_lastError.clear();
        m_damagedAnswer = false;
        try {
            result = (this->*step)();
        } catch (const std::exception& e) {
            std::u16string text = common::Utf8ToUtf16(e.what());
            if (text.size() > kMaxMessageUnits - 1)
                text.resize(kMaxMessageUnits - 1);
            m_ui.ShowMessage(common::Utf16ToUtf8(text), kAppTitle, MessageIcon::Stop);
            Note(common::Utf16ToUtf8(text));
            result = 0;
        }
        if (result == kAck)
            return true;
        if (Cancelled(result)) {
            Abandon(name);
            return false;
        }
        const std::string detail = m_lastError;
        std::string why = BoardText(name.key, name.english) + ": " + FaultText(result);
        if (!detail.empty() && detail != FaultText(result))
            why += " (" + detail + ")";
        Trace("Connect: " + why);
        m_ui.LockDrawing(false);
        if (!m_ui.AskRetry(Explain({"ConnectFailed", kMsgConnectFailed}, name, result), kAppTitle)) {
            GiveUp();
            Note(std::move(why));
            return false;
        }
        m_ui.LockDrawing(true);
    }
}

void CBoardSession::GiveUp()
{
    Exchange(kLeaveUpdate, {}, kGiveUpMs, kGiveUpTries);
    m_packet->Close();
}

bool CBoardSession::Cancelled(BYTE result)
{
    return result == serio::kResultCancelled || m_packet->IsCancelled();
}

void CBoardSession::Abandon(StepName name)
{
    // Whatever of the request is still queued would reach the board after
    // the closing command; it goes first.
    m_packet->ResetCancel();
    if (m_packet->IsOpen()) {
        m_packet->Purge();
        m_packet->SendPacket(kLeaveUpdate);
    }
    m_packet->Close();
    m_ui.LockDrawing(false);
    Note(BoardText(name.key, name.english) + ": " + BoardText("FaultCancelled", "cancelled"));
    Trace("Cancelled: " + m_lastError + "; left update mode and closed " + BoardName());
}

std::string CBoardSession::BoardName() const
{
    return m_simulated ? BoardText("SimulatedBoardName", "the simulated board") : m_packet->GetDeviceName();
}

std::string CBoardSession::FaultText(BYTE result) const
{
    using serio::ExchangeFault;
    if (result == serio::kResultCancelled)
        return BoardText("FaultCancelled", "cancelled");
    if (m_damagedAnswer)
        return BoardText("FaultDamaged", "a damaged answer");
    if (result == serio::kResultForeign)
        return BoardText("FaultForeign", "an answer to another command");
    switch (m_packet->LastFault()) {
    case ExchangeFault::Vanished: return BoardText("FaultVanished", "the device vanished");
    case ExchangeFault::Damaged: return BoardText("FaultDamaged", "a damaged answer");
    case ExchangeFault::Stalled: return BoardText("FaultStalled", "the device stopped taking data");
    case ExchangeFault::Foreign: return BoardText("FaultForeign", "an answer to another command");
    default: break;
    }
    if (result == serio::kResultNoAnswer)
        return BoardText("FaultNoAnswer", "no answer");
    return m_lastError.empty() ? DescribeResult(result) : m_lastError;
}

std::string CBoardSession::Explain(StepName headline, StepName step, BYTE result) const
{
    using serio::ExchangeFault;
    std::string next;
    const ExchangeFault fault = m_packet->LastFault();
    if (fault == ExchangeFault::Vanished || !m_packet->IsOpen())
        next = BoardText("NextReplug", "Plug the adapter back in, then connect again.");
    else if (m_damagedAnswer || fault == ExchangeFault::Damaged)
        next = BoardText("NextCheckLine",
                         "Check the cable, and that the baud rate of the port set-up is the board's, then Retry.");
    else if (result == serio::kResultForeign)
        next = BoardText("NextOtherProgram", "Make sure no other program talks to the board, then Retry.");
    else
        next = BoardText("NextCheckPower",
                         "Check that the board is switched on and the cable is plugged in, then Retry.");
    return BoardText(headline.key, headline.english) + "\n" +
           BoardText("FailDetail", "On %s, %s: %s.", {BoardName(), BoardText(step.key, step.english), FaultText(result)}) +
           "\n" + next;
}

BYTE CBoardSession::EnterUpdate()
{
    Trace("Update Mode\n");
    return Exchange(kEnterUpdate, {}, kEnterUpdateMs, kEnterUpdateTries);
}

BYTE CBoardSession::SetClock()
{
    Trace("Set Controller DateTime");
    const auto payload = MakeClockPayload(m_clock.LocalNow());
    return Exchange(kSetClock, std::vector<BYTE>(payload.begin(), payload.end()), kSetClockMs, kSetClockTries);
}

BYTE CBoardSession::ReadModuleInfo()
{
    Trace("init module info");
    Trace("Get Module Info");
    const BYTE result = Exchange(kModuleInfo, {}, kModuleInfoMs, kModuleInfoTries);
    Trace("Get Module Info Recv");
    if (result != kAck)
        return result;
    const std::vector<BYTE> answer = m_packet->CopyPacket();
    serio::ModuleInfo info{};
    if (!serio::RecordFromBytes(info, answer.data(), answer.size())) {
        Note(WrongLength("the module information", answer.size(), sizeof info));
        m_damagedAnswer = true;
        return 0;
    }
    Trace("Get Module Info OK");
    m_moduleInfo = info;
    m_modelCode = info.dwModelCode;
    Trace("SetLumivoInfo");
    ApplyBoard();
    Trace("SetLumivoInfoOK");
    return result;
}

void CBoardSession::ApplyBoard()
{
    // A board whose content library is missing is still the board: the
    // document keeps the values and reports the library itself.
    if (m_document)
        m_document->SetBoard(BoardValuesOf(m_moduleInfo));
}

BYTE CBoardSession::ReadBoardInfo()
{
    Trace("init board info");
    Trace("Get Board Info");
    const BYTE result = Exchange(kReadSettings, {}, kBoardInfoMs, kBoardInfoTries);
    Trace("Get Board Info Recv");
    if (result != kAck)
        return result;
    const std::vector<BYTE> answer = m_packet->CopyPacket();
    serio::ControllerSettings settings{};
    if (!serio::RecordFromBytes(settings, answer.data(), answer.size())) {
        Note(WrongLength("the settings", answer.size(), sizeof settings));
        m_damagedAnswer = true;
        return 0;
    }
    Trace("Get Board Info OK");
    m_settings = settings;
    Trace("SetLumivoInfo");
    if (m_document)
        m_document->SetContentLanguage(settings.wLanguage == 1 ? 10 : 14);
    return result;
}

BYTE CBoardSession::ReadStoredAds()
{
    BYTE result = ExchangeWithProgress(kReadAds, {}, kReadAdsMs, kReadAdsTries, m_moduleInfo.wAdBlobLength, false,
                                       BoardText("ReadingAds", "Reading %s Ads from the board\u2026",
                                                 {std::to_string(m_moduleInfo.byAdCount)}));
    if (result != kAck)
        return result;
    if (!m_document) {
        m_ui.ShowMessage(kMsgNoDocument, kAppTitle, MessageIcon::None);
        Note(kMsgNoDocument);
        return 0;
    }
    ApplyBoard();
    const std::vector<BYTE> ads = m_packet->CopyPacket();
    if (!m_document->LoadAdBlob(ads.data(), ads.size())) {
        Note("the controller's Ad blob (" + std::to_string(ads.size()) + " bytes) cannot be read");
        m_damagedAnswer = true;
        return 0;
    }
    if (m_moduleInfo.byUserImage == 0)
        return kAck;
    result = ExchangeWithProgress(kReadUserImages, {}, kReadImagesMs, kReadImagesTries,
                                  m_moduleInfo.wUserImageLength, false,
                                  BoardText("ReadingImages", "Reading the user images from the board\u2026"));
    // The step that runs this explains a failure and offers Retry.
    if (Cancelled(result) || !CheckResult(result, kStepReadImages, false))
        return result;
    // Images that cannot be read are not taken as read: the project would
    // otherwise lose them without a word.
    const std::vector<BYTE> images = m_packet->CopyPacket();
    if (!m_document->LoadUserImages(images.data(), images.size())) {
        Note("the controller's user-image blob (" + std::to_string(images.size()) + " bytes) cannot be read");
        m_damagedAnswer = true;
        return 0;
    }
    return result;
}

// ---- Sending and disconnecting.

void CBoardSession::Disconnect()
{
    if (m_packet->IsOpen()) {
        const BYTE result = Exchange(kLeaveUpdate, {}, kDisconnectMs, kDisconnectTries);
        Trace(result == kAck ? "Disconnect: left update mode on " + BoardName()
                             : "Disconnect: " + BoardText(kStepLeaveUpdate.key, kStepLeaveUpdate.english) + ": " +
                                   FaultText(result) + "; closed " + BoardName());
    }
    m_packet->Close();
}

BoardResult CBoardSession::Send()
{
    m_lastError.clear();
    if (!IsConnected()) {
        Note("not connected");
        return BoardResult::Failed;
    }
    if (!m_document) {
        Note(kMsgNoDocument);
        return BoardResult::Failed;
    }
    m_ui.ClearPreview();
    std::vector<BYTE> blob;
    if (!m_document->PackAdBlob(blob)) {
        Note("the Ads cannot be packed");
        return BoardResult::Failed;
    }
    AdPages pages;
    const std::string count = std::to_string(ReadAdBlob(blob.data(), blob.size(), pages) ? pages.size() : 0);
    BYTE result = 0;
    for (;;) {
        // The progress window says what is going on; no wait window over it.
        result = ExchangeWithProgress(kSendAds, blob, kSendAdsMs, kSendAdsTries, static_cast<DWORD>(blob.size()), true,
                                      BoardText("SendingAds", "Sending %s Ads\u2026", {count}));
        if (Cancelled(result)) {
            Abandon(kStepSendAds);
            m_ui.BringToFront();
            return BoardResult::Cancelled;
        }
        Trace("Send: " + BoardText(kStepSendAds.key, kStepSendAds.english) + ": " +
              (result == kAck ? BoardText("FaultNone", "acknowledged") : FaultText(result)));
        // A device that went away cannot take another try.
        if (result == kAck || !IsConnected() ||
            !m_ui.AskRetry(Explain({"SendFailed", kMsgSendFailed}, kStepSendAds, result),
                           BoardText("SendFailedCaption", kCapSendFailed)))
            break;
    }
    m_ui.BringToFront();
    if (result != kAck) {
        if (!IsConnected()) {
            Note(DeviceLostText(m_packet->GetDeviceName()));
            return BoardResult::Failed;
        }
        Note(BoardText(kStepSendAds.key, kStepSendAds.english) + ": " + FaultText(result));
        return BoardResult::Cancelled;
    }
    Disconnect();
    const std::string done = m_simulated ? BoardText("SendOkSimulated", "Sent %s Ads to the simulated board.", {count})
                                         : BoardText("SendOk", "Sent %s Ads to the board on %s.",
                                                     {count, m_packet->GetDeviceName()});
    Trace("Send: " + done);
    m_ui.ShowMessage(done, kAppTitle, MessageIcon::Information);
    return BoardResult::Ok;
}

BoardResult CBoardSession::SendUserImages()
{
    m_lastError.clear();
    if (!m_document) {
        Note(kMsgNoDocument);
        return BoardResult::Failed;
    }
    std::vector<BYTE> blob;
    if (!m_document->GetUserImageBlob(blob)) {
        Note("the user images cannot be packed");
        return BoardResult::Failed;
    }
    // An over-size set is refused here, before any of it goes out.
    if (Result budget = CheckUserImageBlob(blob.data(), blob.size()); !budget) {
        Note(budget.FirstError());
        return BoardResult::Failed;
    }
    BYTE result = 0;
    for (;;) {
        result = ExchangeWithProgress(kSendUserImages, blob, kSendImagesMs, kSendImagesTries,
                                      static_cast<DWORD>(blob.size()), true,
                                      BoardText("SendingImages", "Sending the user images\u2026"));
        if (Cancelled(result)) {
            Abandon(kStepSendImages);
            return BoardResult::Cancelled;
        }
        Trace("User images: " + BoardText(kStepSendImages.key, kStepSendImages.english) + ": " +
              (result == kAck ? BoardText("FaultNone", "acknowledged") : FaultText(result)));
        // As for the Ads: what failed and what to try, with Retry.
        if (result == kAck || !IsConnected() ||
            !m_ui.AskRetry(Explain(FailHeadline(result), kStepSendImages, result),
                           BoardText("SendFailedCaption", kCapSendFailed)))
            break;
    }
    if (result != kAck) {
        if (!IsConnected()) {
            Note(DeviceLostText(m_packet->GetDeviceName()));
            return BoardResult::Failed;
        }
        Note(BoardText(kStepSendImages.key, kStepSendImages.english) + ": " + FaultText(result));
        return BoardResult::Cancelled;
    }
    m_ui.ShowWait(true);
    result = Exchange(kUserImagesDone, {}, kImagesDoneMs, kImagesDoneTries);
    m_ui.ShowWait(false);
    if (Cancelled(result)) {
        Abandon(kStepImagesDone);
        return BoardResult::Cancelled;
    }
    if (!CheckResult(result, kStepImagesDone, true)) {
        Trace("User images: " + m_lastError);
        return BoardResult::Failed;
    }
    const std::string done =
        m_simulated ? BoardText("ImagesOkSimulated", "Sent the user images to the simulated board.")
                    : BoardText("ImagesOk", "Sent the user images to the board on %s.", {m_packet->GetDeviceName()});
    Trace("User images: " + done);
    m_ui.ShowMessage(done, kAppTitle, MessageIcon::Information);
    return BoardResult::Ok;
}

// ---- Controller settings.

bool CBoardSession::ExchangeOrGiveUp(BYTE command, const std::vector<BYTE>& payload, StepName failText,
                                     StepName what)
{
    BYTE result = 0;
    while ((result = Exchange(command, payload, kSettingsMs, kSettingsTries)) != kAck) {
        if (Cancelled(result)) {
            Abandon(what);
            return false;
        }
        Trace("Settings: " + BoardText(what.key, what.english) + ": " + FaultText(result));
        if (!m_ui.AskRetry(Explain(failText, what, result), kAppTitle)) {
            Note(BoardText(what.key, what.english) + ": " + FaultText(result));
            return false;
        }
    }
    return true;
}

BoardResult CBoardSession::ReadSettings(CModuleStateModel& model)
{
    m_lastError.clear();
    Trace("OnModuleStateRead\n");
    if (!ExchangeOrGiveUp(kReadSettings, {}, {"ReadSettingsFailed", kMsgReadSettingsFailed}, kStepReadSettings))
        return BoardResult::Cancelled;
    const std::vector<BYTE> answer = m_packet->CopyPacket();
    if (!model.SetSettings(answer.data(), answer.size())) {
        // Editing a record of another shape would send the controller bytes
        // it never had: say so instead of showing the dialog.
        Note(WrongLength("the controller's settings", answer.size(), sizeof(serio::ControllerSettings)));
        m_ui.ShowMessage(m_lastError, kAppTitle, MessageIcon::Stop);
        return BoardResult::Failed;
    }
    return BoardResult::Ok;
}

BoardResult CBoardSession::WriteSettings(const CModuleStateModel& model)
{
    m_lastError.clear();
    Trace("OnModuleStateWrite\n");
    const std::vector<BYTE> record = model.RecordBytes();
    if (!ExchangeOrGiveUp(kWriteSettings, record, {"WriteSettingsFailed", kMsgWriteSettingsFailed},
                          kStepWriteSettings))
        return BoardResult::Cancelled; // the edits are lost
    m_ui.ResizePreview(model.Columns(), model.Rows());
    return BoardResult::Ok;
}

BoardResult CBoardSession::ModuleState()
{
    CModuleStateModel model;
    model.SetModuleInfo(ModelName(m_moduleInfo).c_str(), m_moduleInfo.byManufactureDate);
    model.SetModelCode(m_modelCode);
    if (const BoardResult r = ReadSettings(model); r != BoardResult::Ok)
        return r;
    if (!m_ui.EditModuleState(model))
        return BoardResult::Cancelled;
    return WriteSettings(model);
}

} // namespace lumivo
