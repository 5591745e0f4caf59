// SPDX-License-Identifier: BSD-2-Clause
// CPacket: the application's link to the controller. Frames a command and a
// payload (<serio/frame.h>), sends it, and assembles answers on the listener
// thread; SendPacketAck waits for the answer with a silence time-out and a
// number of tries. A progress window can be plugged in through the owner.
#pragma once

#include <serio/frame.h>
#include <serio/serial_ex.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace serio {

// The message the progress window receives with the byte count so far.
inline constexpr uint32_t kProgressMessage = 0x0410;

// The progress window (the GUI's CSerialProgressDlg; tests plug in a
// recorder). Both calls come from other threads than the GUI's and must not
// wait for the GUI thread.
class ISerialProgress {
public:
    virtual ~ISerialProgress() = default;
    // Message 0x0410: the byte count so far; keep it as the bar's position.
    virtual void OnProgressMessage(DWORD dwBytes) = 0;
    // Every 20 ms while shown: move the bar to the position kept.
    virtual void RefreshPosition() = 0;
    // What the exchange is doing, in words ("Sending 12 Ads..."); UTF-8.
    virtual void OnStatus(const std::string& text) {}
    // The request has gone out; the answer is awaited on try attempt of tries.
    virtual void OnWaiting(int attempt, int tries) {}
};

// Why the last exchange did not succeed.
enum class ExchangeFault {
    None,
    NoAnswer,  // silence on every try
    Damaged,   // answers arrived, but only damaged ones
    Foreign,   // an answer to another command
    Stalled,   // the device stopped taking the request
    Vanished,  // the device went away
    Cancelled, // CancelExchange ended it
};

// The owner window given to CPacket::Open.
class IPacketOwner {
public:
    virtual ~IPacketOwner() = default;
    // Creates the modeless progress window with range 0..dwTotal and the
    // title, centred over the owner (see CenterOver) and shown; nullptr when
    // none can be made. Called on the thread that calls ShowProgress.
    virtual std::unique_ptr<ISerialProgress> CreateProgressWindow(const char* title, DWORD dwTotal) = 0;
};

// Top-left corner that centres a window of size over the owner rectangle.
POINT CenterOver(const RECT& owner, const SIZE& window);

} // namespace serio

class CPacket : public CSerialEx {
public:
    static const uint32_t mg_nDefaultPacketRecvMsg; // "CPacket_DefaultPacketRecvMsg"

    CPacket();
    ~CPacket() override;
    CPacket(const CPacket&) = delete;
    CPacket& operator=(const CPacket&) = delete;

    using CSerialEx::Open;
    // Opens the configured device with the stored settings, remembers the
    // owner (progress window parent; may be null) and starts listening.
    virtual LONG Open(serio::IPacketOwner* pOwner);
    LONG Close() override;

    // A frame with an empty payload; 0, 6 (closed) or the write's error.
    LONG SendPacket(BYTE byCommand);
    // Request with answer: 0xFC (answer with the request's command byte or
    // 0xFC), 0xFD (another command byte, not retried) or 0xFB (silence for
    // nTimeoutMs on the last try). nTries <= 0 repeats until an answer. A
    // port that closes during the exchange (a vanished device) ends it at
    // once with 0xFB. Writing the request is bounded by nTimeoutMs plus the
    // frame's time on the line: a device that stops taking bytes loses the
    // try as silence would. CancelExchange ends it at once with 0xFA.
    BYTE SendPacketAck(BYTE byCommand, DWORD dwLength, const BYTE* pData, int32_t nTimeoutMs, int32_t nTries);
    // Why the last SendPacketAck did not return 0xFC.
    serio::ExchangeFault LastFault() const { return m_lastFault.load(); }

    // Ends the exchange in progress, and every one started until
    // ResetCancel, at once (any thread; a write in progress stops too).
    void CancelExchange() { m_bCancel = true; }
    void ResetCancel() { m_bCancel = false; }
    bool IsCancelled() const { return m_bCancel.load(); }
    // The time a frame of nBytes takes on the line at the set baud rate (ms, rounded up).
    int64_t LineTimeMs(size_t nBytes) const;

    // The last answer: valid after SendPacketAck returned 0xFC, until the
    // next frame starts arriving. CopyPacket takes a consistent copy.
    BYTE* GetBuffer();
    DWORD GetPacketLength() const;
    std::vector<BYTE> CopyPacket() const;
    BYTE GetReceivedCommand() const { return m_byAnswerCommand.load(); }

    BYTE* SetBufferSize(DWORD dwSize);
    DWORD GetBufferSize() const;
    void Clear_Buffer();
    void Destory();
    void Init_SendBuffer();

    int ShowProgress(DWORD dwTotal, int bSending, const std::string& status = {});
    void DestoryProgress();
    bool IsProgressShown() const { return m_bProgress.load(); }

    // Lets the caller's user interface handle what is pending (the pump
    // callback; nothing without one). The GUI passes its event processing.
    void PumpMessage();
    void SetPumpCallback(std::function<void()> pump) { m_pump = std::move(pump); }

    DWORD ProcPacket(BYTE* pData);

    // Feeds received bytes to the receive state machine, as the listener
    // does with what it reads.
    void ProcessReceived(const BYTE* pData, size_t nLength);
    bool IsPacketReceived() const { return m_bPacketReceived.load(std::memory_order_acquire); }
    int GetReceiveState() const;
    uint64_t GetDroppedOverlong() const;

protected:
    LONG SendPacket(BYTE byCommand, DWORD dwLength, const BYTE* pData);
    // Writes one frame within limitMs (and its flush); kErrorTimeout when the
    // device stopped taking it, kResultCancelled's request ends it early.
    LONG WriteFrame(BYTE byCommand, DWORD dwLength, const BYTE* pData, int64_t limitMs);
    // The receive side, on the listener thread: reads whatever has arrived
    // on every event; a vanished device closes the port.
    void OnEvent(EEvent eEvent, EError eError) override;

private:
    class Receiver : public serio::CFrameReceiver {
    public:
        explicit Receiver(CPacket& owner) : m_owner(owner) {}

    protected:
        void OnPayloadStart() override;
        void OnPayloadByte(DWORD counter, DWORD length) override;
        void OnFrame() override;
        void OnBadFrame() override;

    private:
        CPacket& m_owner;
    };

    enum class ProgressPhase { Sending, Receiving };
    void ReportProgress(ProgressPhase phase, DWORD done, DWORD total);
    void ReportProgressLocked(ProgressPhase phase, DWORD done, DWORD total); // m_progressLock held
    void ReportWaiting(int attempt, int tries);
    bool IsOwnAnswer(BYTE byCommand) const;
    void RefreshLoop();
    static int64_t NowMs();

    std::atomic<serio::IPacketOwner*> m_pOwner{nullptr};
    mutable std::mutex m_rxLock; // the receive fields and buffer
    Receiver m_receiver{*this};
    std::atomic<BYTE> m_byAnswerCommand{0};
    std::vector<BYTE> m_sendBuffer;
    DWORD m_dwSendLength = 0;

    std::atomic<bool> m_bProgress{false};
    std::mutex m_progressLock; // the window, the phase and the last percentage
    ProgressPhase m_progressPhase = ProgressPhase::Sending;
    int m_nLastPercent = -1;
    std::unique_ptr<serio::ISerialProgress> m_pProgress;
    std::thread m_refreshThread;
    std::atomic<bool> m_bRefreshRunning{false};
    std::mutex m_refreshLock;
    std::condition_variable m_refreshWake;

    std::atomic<bool> m_bPacketReceived{false};
    std::atomic<bool> m_bBadFrame{false}; // a damaged frame arrived during the exchange
    std::atomic<bool> m_bCancel{false};
    std::atomic<serio::ExchangeFault> m_lastFault{serio::ExchangeFault::None};
    std::atomic<int64_t> m_lastActivityMs{0};
    std::function<void()> m_pump;
};
