// SPDX-License-Identifier: GPL-2.0-or-later
// The conversation with the sign board's controller, without windows: the
// connection sequence, sending the Ads, reading them back, the user-image
// exchange, the controller settings and disconnecting. The main frame holds
// one CBoardSession for the program's lifetime; the command-line tool and
// the tests run the very same sequences. Questions to the user (Retry or
// Cancel, Yes or No) and the settings dialog reach the caller through
// IBoardUi; the project the commands read and fill is an IBoardDocument.
#pragma once

#include "core/clock.h"
#include "core/module_state.h"
#include "core/trace_log.h"

#include <serio/board_records.h>
#include <serio/packet.h>

#include <memory>
#include <string>
#include <vector>

namespace lumivo {

// The program's own texts.
inline constexpr const char* kAppTitle = "lumivo";
inline constexpr const char* kMsgConnectFailed = "Panelix connection failed.";
inline constexpr const char* kMsgSendFailed = "Data transmission failed.";
inline constexpr const char* kCapSendFailed = "Sending fail";
inline constexpr const char* kMsgSendOk = "Send Successful.";
inline constexpr const char* kMsgCommTimeout = "Communication timeout!";
inline constexpr const char* kCapCommError = "Error comm...";
inline constexpr const char* kMsgReadSettingsFailed = "Fail: Read controller setting.";
inline constexpr const char* kMsgWriteSettingsFailed = "Fail: Write controller setting.";
inline constexpr const char* kMsgNoDocument = "Main document create fail!";
// The English wording of the stored-Ads question, used when the language
// file has none.
inline constexpr const char* kMsgAdCount =
    "%d of Advertisements are stored in the Controller.\nDo you want to get Ad. List? ";

// Command bytes of the controller.
namespace board_cmd {
constexpr BYTE kEnterUpdate = 0x55;
constexpr BYTE kSetClock = 0x54;
constexpr BYTE kModuleInfo = 0x56;
constexpr BYTE kReadSettings = 0x73;
constexpr BYTE kWriteSettings = 0x53;
constexpr BYTE kReadAds = 0x7B;
constexpr BYTE kReadUserImages = 0x69;
constexpr BYTE kSendAds = 0x5B;
constexpr BYTE kSendUserImages = 0x49;
constexpr BYTE kUserImagesDone = 0x44;
constexpr BYTE kLeaveUpdate = 0x45;
} // namespace board_cmd

// The values the document's board takes from the module information.
struct BoardFromModule {
    BYTE moduleRow = 0;
    BYTE moduleColumn = 0;
    BYTE language = 0; // 'A' or 'E': the hexadecimal digit of the language code
    BYTE lumivoRow = 0;
    BYTE lumivoColumn = 0;
};
BoardFromModule BoardValuesOf(const serio::ModuleInfo& info);

// The stored-Ads question in the selected language ("fmtLumivoCount" of
// section "Format", "&&" and backslash-n turned into line breaks) with the
// count filled in; UTF-8.
std::string AdCountQuestion(int count);

enum class MessageIcon { None, Information, Warning, Stop };

class IBoardUi {
public:
    virtual ~IBoardUi() = default;
    // A Retry/Cancel box: true for Retry.
    virtual bool AskRetry(const std::string& text, const std::string& caption) = 0;
    // A Yes/No question: true for Yes.
    virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
    virtual void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) = 0;
    // The controller settings dialog over a filled model; true when it ended
    // with OK (the model's record is then written to the controller).
    virtual bool EditModuleState(CModuleStateModel& model) = 0;
    // Window chores around the commands; nothing by default.
    virtual void LockDrawing(bool locked) {}
    virtual void ClearPreview() {}
    virtual void ShowWait(bool shown) {}
    virtual void BringToFront() {}
    virtual void ResizePreview(int moduleColumns, int moduleRows) {}
    // Asked after the user chose to read the stored Ads, before they are
    // read: false skips the read and keeps the project's Ads (the window
    // asks there whether to save unsaved changes first).
    virtual bool MayReplaceAds() { return true; }
};

// The active project as the board commands see it.
class IBoardDocument {
public:
    virtual ~IBoardDocument() = default;
    // Set board: the five values choose the board size and content library.
    virtual bool SetBoard(const BoardFromModule& board) = 0;
    // The content library's language code (10 or 14).
    virtual void SetContentLanguage(unsigned code) = 0;
    // The Ad blob of the document's Ads; false when it cannot be made.
    virtual bool PackAdBlob(std::vector<BYTE>& blob) = 0;
    // Replaces the Ads; false for a blob that cannot be read (the Ads then stay).
    virtual bool LoadAdBlob(const BYTE* blob, size_t length) = 0;
    // Replaces the user images; false unless the blob is read exactly.
    virtual bool LoadUserImages(const BYTE* blob, size_t length) = 0;
    virtual bool GetUserImageBlob(std::vector<BYTE>& blob) = 0;
};

enum class BoardResult {
    Ok,
    AlreadyConnected, // connect while connected: nothing done
    Cancelled,        // the user gave up (Cancel) or the dialog was cancelled
    Failed,           // a failure without a question (see LastError)
};

class CBoardSession {
public:
    // The packet reads its port settings from the application's profile.
    explicit CBoardSession(IBoardUi& ui, const IClock& clock = SystemClock());
    // Runs over the caller's packet, which must outlive the session.
    CBoardSession(CPacket& packet, IBoardUi& ui, const IClock& clock = SystemClock());
    // Program end: a port still open gets 0x45 without waiting and is closed.
    ~CBoardSession();
    CBoardSession(const CBoardSession&) = delete;
    CBoardSession& operator=(const CBoardSession&) = delete;

    // The active document (null: none); the caller keeps it alive.
    void SetDocument(IBoardDocument* document) { m_document = document; }
    // The board is the program's simulated one: messages say so instead of
    // naming its pseudo-terminal.
    void SetSimulated(bool simulated) { m_simulated = simulated; }
    // The connected board in the messages' words ("/dev/ttyUSB0", "the
    // simulated board").
    std::string BoardName() const;
    // Where the steps are traced (null: nowhere).
    void SetTrace(CTraceLog* trace) { m_trace = trace; }
    // The owner of the progress windows, handed to the packet when it opens.
    void SetProgressOwner(serio::IPacketOwner* owner) { m_owner = owner; }

    CPacket& Packet() { return *m_packet; }
    bool IsConnected() const { return m_packet->IsOpen(); }

    // The connection sequence: update mode, clock, module information,
    // settings, then (after a Yes) the stored Ads and user images. Ok leaves
    // the board in update mode with the port open.
    BoardResult Connect();
    // Sends the document's Ads; after success disconnects and says so.
    BoardResult Send();
    // Leaves update mode (when connected) and closes the port.
    void Disconnect();
    // Sends the document's user images, then the closing command.
    BoardResult SendUserImages();
    // Reads the settings, lets the user edit them, writes them back.
    BoardResult ModuleState();
    // The settings dialog's own Read and Write: the record read into the
    // model (keeping its module information), or the model's record
    // written, each with Retry/Cancel on failure.
    BoardResult ReadSettings(CModuleStateModel& model);
    BoardResult WriteSettings(const CModuleStateModel& model);
    // Program end without waiting for the controller.
    void End();

    // What the controller reported at the last connection.
    const serio::ModuleInfo& ModuleInfo() const { return m_moduleInfo; }
    DWORD ModelCode() const { return m_modelCode; }
    const serio::ControllerSettings& Settings() const { return m_settings; }
    // What went wrong last, in words, for callers without message boxes;
    // empty after success.
    const std::string& LastError() const { return m_lastError; }
    // The error code of the last Open (0 = opened).
    LONG LastOpenError() const { return m_openError; }

    // A step of the exchange in plain words: its language key and English.
    struct StepName {
        const char* key;
        const char* english;
    };

private:
    using Step = BYTE (CBoardSession::*)();
    // Runs a connection step until it succeeds or the user gives up.
    bool RunStep(StepName name, Step step);
    void GiveUp();
    // The exchange was cancelled: the board leaves update mode at once, the
    // port closes.
    bool Cancelled(BYTE result);
    void Abandon(StepName name);
    // What failed and what to try, below the first line headline.
    std::string Explain(StepName headline, StepName step, BYTE result) const;
    // The kind of the last failure in words (result: the exchange's byte).
    std::string FaultText(BYTE result) const;
    BYTE EnterUpdate();
    BYTE SetClock();
    BYTE ReadModuleInfo();
    BYTE ReadBoardInfo();
    BYTE ReadStoredAds();
    void ApplyBoard();
    // False (with the step and the fault noted) unless the board acknowledged;
    // explain: a box also tells the user what failed and what to try.
    bool CheckResult(BYTE result, StepName step, bool explain);
    // The first line of a failure's message: the time-out's, or the send's.
    static StepName FailHeadline(BYTE result);
    // A request with its answer; with a progress range, inside the progress window.
    BYTE Exchange(BYTE command, const std::vector<BYTE>& payload, int timeoutMs, int tries);
    BYTE ExchangeWithProgress(BYTE command, const std::vector<BYTE>& payload, int timeoutMs, int tries,
                              DWORD progressTotal, bool sending, const std::string& status);
    // A settings request repeated while the user answers Retry.
    bool ExchangeOrGiveUp(BYTE command, const std::vector<BYTE>& payload, StepName failText, StepName what);
    void Trace(const char* text);
    void Trace(const std::string& text) { Trace(text.c_str()); }
    void Note(std::string text) { m_lastError = std::move(text); }

    IBoardUi& m_ui;
    const IClock& m_clock;
    IBoardDocument* m_document = nullptr;
    CTraceLog* m_trace = nullptr;
    serio::IPacketOwner* m_owner = nullptr;
    std::unique_ptr<CPacket> m_ownPacket;
    CPacket* m_packet;
    serio::ModuleInfo m_moduleInfo{};
    DWORD m_modelCode = 0;
    serio::ControllerSettings m_settings{};
    std::string m_lastError;
    LONG m_openError = 0;
    bool m_simulated = false;
    // Set by a step whose answer arrived but could not be used.
    bool m_damagedAnswer = false;
};

// A result byte of SendPacketAck in words ("no answer" ...), for messages.
std::string DescribeResult(BYTE result);

} // namespace lumivo
